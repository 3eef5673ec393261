# The real print surface over QPrinter + QPainter (paper or PDF) and the print job and print
# button the printing windows (report, calibration card) share.
if(HALVEX_WITH_GUI)
  add_library(qtkit_print STATIC ${CMAKE_CURRENT_LIST_DIR}/qt_print_surface.h
                                 ${CMAKE_CURRENT_LIST_DIR}/qt_print_surface.cpp)
  target_link_libraries(qtkit_print PUBLIC qtkit_print_surface qtkit_dialogs
    Qt6::Gui Qt6::Widgets Qt6::PrintSupport)
  halvex_warnings(qtkit_print)
endif()
