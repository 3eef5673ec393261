if(HALVEX_WITH_GUI)
  halvex_add_test(NAME logger_program_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/default_port_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/halvex_log_test.cpp
    LIBS halvex_log_settings GTest::gtest_main)
  # The program's own cases run the built halvex-log.
  target_compile_definitions(logger_program_tests PRIVATE
    HALVEX_LOG_PATH="$<TARGET_FILE:halvex-log>" HALVEX_VERSION="${PROJECT_VERSION}")
  add_dependencies(logger_program_tests halvex-log)
endif()
if(HALVEX_WITH_GUI)
  # halvex-log against the simulated instrument, compared with what the window writes.
  halvex_add_test(NAME logger_sim_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/halvex_log_sim_test.cpp
    LIBS halvex_chart_model halvex_download halvex_calibration halvex_calibration_file
         halvex_formatting lt40_sim_core GTest::gtest_main)
  target_compile_definitions(logger_sim_tests PRIVATE
    HALVEX_LOG_PATH="$<TARGET_FILE:halvex-log>" LT40_SIM_PATH="$<TARGET_FILE:lt40-sim>")
  add_dependencies(logger_sim_tests halvex-log lt40-sim)
endif()
