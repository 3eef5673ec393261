halvex_add_test(NAME calibration_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/calibration_data_test.cpp
  LIBS halvex_calibration_data GTest::gtest_main)
