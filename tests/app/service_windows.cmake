if(HALVEX_WITH_GUI)
  halvex_add_test(NAME service_windows_tests
    SOURCES
      ${CMAKE_SOURCE_DIR}/tests/support/gui_test_main.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/service_windows_test.cpp
    LIBS halvex_servicewin
    GUI)
endif()
