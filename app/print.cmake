# The real print surface over QPrinter + QPainter (paper or PDF) and the print job the
# report and card windows run.
if(HALVEX_WITH_GUI)
  add_library(halvex_qt_print STATIC ${CMAKE_CURRENT_SOURCE_DIR}/qt_print_surface.cpp)
  target_link_libraries(halvex_qt_print PUBLIC halvex_print_surface halvex_shell
    Qt6::Gui Qt6::PrintSupport)
  halvex_warnings(halvex_qt_print)
endif()
