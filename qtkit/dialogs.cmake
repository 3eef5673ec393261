# Message boxes, file dialogs, the print dialog and preview, the beep (real and scripted),
# and the small layout helpers of the windows' fixed-position controls.
if(HALVEX_WITH_GUI)
  add_library(qtkit_dialogs STATIC ${CMAKE_CURRENT_LIST_DIR}/dialogs.h
                                   ${CMAKE_CURRENT_LIST_DIR}/dialogs.cpp
                                   ${CMAKE_CURRENT_LIST_DIR}/widget_helpers.h)
  target_link_libraries(qtkit_dialogs PUBLIC Qt6::Widgets Qt6::PrintSupport)
  halvex_warnings(qtkit_dialogs)
endif()
