halvex_add_test(NAME link_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/frame_receiver_test.cpp ${CMAKE_CURRENT_LIST_DIR}/commands_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/reply_gate_test.cpp
  LIBS halvex_link GTest::gtest_main)
