halvex_add_test(NAME download_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/result_download_test.cpp
  LIBS halvex_download GTest::gtest_main)
