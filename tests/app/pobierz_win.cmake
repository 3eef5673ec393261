if(HALVEX_WITH_GUI)
  halvex_add_test(NAME pobierz_win_tests
    SOURCES
      ${CMAKE_SOURCE_DIR}/tests/support/gui_test_main.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/pobierz_win_test.cpp
    LIBS halvex_pobierzwin
    GUI)
endif()
