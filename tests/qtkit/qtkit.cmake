if(HALVEX_WITH_GUI)
  halvex_add_test(NAME qtkit_tests
    SOURCES
      ${CMAKE_SOURCE_DIR}/tests/support/gui_test_main.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/settings_store_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/dialogs_test.cpp
    LIBS qtkit_settings qtkit_dialogs halvex_files
    GUI)
endif()
