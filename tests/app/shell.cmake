if(HALVEX_WITH_GUI)
  halvex_add_test(NAME shell_tests
    SOURCES
      ${CMAKE_SOURCE_DIR}/tests/support/gui_test_main.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/shell_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/shell_jpeg_test.cpp
    LIBS halvex_shell JPEG::JPEG
    GUI)
endif()
