if(HALVEX_WITH_GUI)
  halvex_add_test(NAME app_e2e_tests
    SOURCES
      ${CMAKE_SOURCE_DIR}/tests/support/gui_test_main.cpp
      ${CMAKE_SOURCE_DIR}/tests/support/window_env.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/e2e_sim_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/e2e_transfers_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/e2e_csv_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/find_instrument_win_test.cpp
    LIBS halvex_mainwin lt40_sim_core
    GUI)
  target_compile_definitions(app_e2e_tests PRIVATE LT40_SIM_PATH="$<TARGET_FILE:lt40-sim>")
  add_dependencies(app_e2e_tests lt40-sim)
endif()
