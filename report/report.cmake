# The recording test double of the print surface (qtkit/print_surface.h) and
# the measurement report's logic: language tables, table of results, data-file lines, page
# layout. Toolkit-free; data files are read through the bounded reader of measurement/.
add_library(halvex_print_surface STATIC ${CMAKE_CURRENT_LIST_DIR}/recording_print_surface.h
  ${CMAKE_CURRENT_LIST_DIR}/recording_print_surface.cpp)
target_include_directories(halvex_print_surface PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(halvex_print_surface PUBLIC qtkit_print_surface)
halvex_warnings(halvex_print_surface)

add_library(halvex_report STATIC
  ${CMAKE_CURRENT_LIST_DIR}/report_texts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/results_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/report_layout.cpp)
target_link_libraries(halvex_report PUBLIC halvex_print_surface halvex_files)
halvex_warnings(halvex_report)
