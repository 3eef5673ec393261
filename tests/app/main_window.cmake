if(HALVEX_WITH_GUI)
  halvex_add_test(NAME main_win_tests
    SOURCES
      ${CMAKE_SOURCE_DIR}/tests/support/gui_test_main.cpp
      ${CMAKE_SOURCE_DIR}/tests/support/window_env.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/main_win_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/main_win_port_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/main_win_recording_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/live_refresh_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/program_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/calibration_panel_test.cpp
    LIBS halvex_program
    GUI)
endif()
