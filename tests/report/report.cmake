halvex_add_test(NAME report_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/report_layout_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/results_table_test.cpp
  LIBS halvex_report GTest::gtest_main)
