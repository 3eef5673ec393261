# The GUI-thread delivery: another thread's hand-over queue drained by the Qt event loop, and
# the instrument session's timers on that loop (Qt Core only).
if(HALVEX_WITH_GUI)
  add_library(qtkit_delivery STATIC ${CMAKE_CURRENT_LIST_DIR}/qt_delivery.h
                                    ${CMAKE_CURRENT_LIST_DIR}/qt_delivery.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/qt_event_loop.h
                                    ${CMAKE_CURRENT_LIST_DIR}/qt_event_loop.cpp)
  target_link_libraries(qtkit_delivery PUBLIC Qt6::Core halvex_comport)
  halvex_warnings(qtkit_delivery)
endif()
