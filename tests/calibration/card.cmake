halvex_add_test(NAME card_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/calibration_card_test.cpp
  LIBS halvex_card GTest::gtest_main)
