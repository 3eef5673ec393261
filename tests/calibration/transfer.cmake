halvex_add_test(NAME calibration_transfer_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/number_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/upload_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/readback_test.cpp
  LIBS halvex_calibration GTest::gtest_main)
