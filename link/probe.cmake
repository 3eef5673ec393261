# Looking for the instrument on the computer's serial lines. Toolkit-free.
add_library(halvex_probe STATIC ${CMAKE_CURRENT_LIST_DIR}/instrument_probe.cpp)
target_link_libraries(halvex_probe PUBLIC halvex_link halvex_comport)
halvex_warnings(halvex_probe)
