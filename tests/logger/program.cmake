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
