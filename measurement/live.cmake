# The live measurement session (frame → sample → sinks) and the recordings as its sinks.
add_library(halvex_live STATIC ${CMAKE_CURRENT_LIST_DIR}/live_session.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/live_session.h
                               ${CMAKE_CURRENT_LIST_DIR}/recording_sinks.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/recording_sinks.h)
target_link_libraries(halvex_live PUBLIC halvex_measurement halvex_chart_model)
halvex_warnings(halvex_live)
set_property(GLOBAL APPEND PROPERTY HALVEX_BENCH_LIBS halvex_live)
