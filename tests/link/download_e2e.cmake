halvex_add_test(NAME download_e2e_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/download_e2e_test.cpp
  LIBS halvex_comport halvex_download lt40_sim_core GTest::gtest_main)
target_compile_definitions(download_e2e_tests PRIVATE LT40_SIM_PATH="$<TARGET_FILE:lt40-sim>")
add_dependencies(download_e2e_tests lt40-sim)
