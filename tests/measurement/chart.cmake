halvex_add_test(NAME chart_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/chart_test.cpp ${CMAKE_CURRENT_LIST_DIR}/recording_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/bounded_file_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/recording_journal_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/csv_recording_test.cpp
  LIBS halvex_chart_model GTest::gtest_main)

if(HALVEX_WITH_GUI)
  halvex_add_test(NAME chart_widget_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/chart_widget_test.cpp
    LIBS halvex_chart GUI)
endif()
