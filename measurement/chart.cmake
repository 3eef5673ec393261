# The strip chart and the recording/replay logic. The model library is free of the toolkit
# (tests and benchmarks run without a display); the widget is built only with the GUI.
add_library(halvex_chart_model STATIC
  ${CMAKE_CURRENT_LIST_DIR}/wykres_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recording.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recording_journal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/csv_recording.cpp)
target_link_libraries(halvex_chart_model PUBLIC halvex_formatting halvex_files)
halvex_warnings(halvex_chart_model)
set_property(GLOBAL APPEND PROPERTY HALVEX_BENCH_LIBS halvex_chart_model)

if(HALVEX_WITH_GUI)
  add_library(halvex_chart STATIC ${CMAKE_CURRENT_LIST_DIR}/wykres.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/wykres.h)
  target_link_libraries(halvex_chart PUBLIC Qt6::Widgets halvex_chart_model)
  halvex_warnings(halvex_chart)
endif()
