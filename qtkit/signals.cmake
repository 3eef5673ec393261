# Termination signals handled on the event loop's thread (Qt Core only).
if(HALVEX_WITH_GUI)
  add_library(qtkit_signals STATIC ${CMAKE_CURRENT_LIST_DIR}/termination_signals.h
                                   ${CMAKE_CURRENT_LIST_DIR}/termination_signals.cpp)
  target_link_libraries(qtkit_signals PUBLIC Qt6::Core)
  halvex_warnings(qtkit_signals)
endif()
