halvex_add_test(NAME measurement_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/processor_test.cpp ${CMAKE_CURRENT_LIST_DIR}/formatting_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/fuzz_test.cpp
  LIBS halvex_measurement halvex_link GTest::gtest_main)
halvex_add_test(NAME live_session_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/live_session_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/alloc_count.cpp
  LIBS halvex_live GTest::gtest_main)
