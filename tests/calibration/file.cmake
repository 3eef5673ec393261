halvex_add_test(NAME calibration_file_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/calibration_file_test.cpp
  LIBS halvex_calibration_file GTest::gtest_main)
