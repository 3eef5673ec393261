if(HALVEX_WITH_GUI)
  halvex_add_test(NAME report_win_tests
    SOURCES
      ${CMAKE_SOURCE_DIR}/tests/support/gui_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/raport_win_test.cpp
    LIBS halvex_report_win
    GUI)
endif()
