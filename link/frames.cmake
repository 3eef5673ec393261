add_library(halvex_link STATIC
  ${CMAKE_CURRENT_LIST_DIR}/frame_receiver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reply_gate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/state_timer.cpp)
halvex_warnings(halvex_link)
set_property(GLOBAL APPEND PROPERTY HALVEX_BENCH_LIBS halvex_link)
