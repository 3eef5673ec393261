if(HALVEX_WITH_GUI)
  halvex_add_test(NAME print_tests
    SOURCES
      ${CMAKE_SOURCE_DIR}/tests/support/gui_test_main.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/print_pdf_test.cpp
    LIBS halvex_report_win halvex_card_win
    GUI)
endif()
