halvex_add_test(NAME logger_cli_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/cli_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ports_listing_test.cpp
  LIBS halvex_log_cli GTest::gtest_main)
