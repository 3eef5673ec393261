if(HALVEX_WITH_GUI)
  halvex_add_test(NAME card_win_tests
    SOURCES
      ${CMAKE_SOURCE_DIR}/tests/support/gui_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/print_data_win_test.cpp
    LIBS halvex_card_win qtkit_language
    GUI)
endif()
