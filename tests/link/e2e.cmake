halvex_add_test(NAME link_e2e_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e_sim_test.cpp
  LIBS halvex_comport halvex_link halvex_measurement GTest::gtest_main)
target_compile_definitions(link_e2e_tests PRIVATE LT40_SIM_PATH="$<TARGET_FILE:lt40-sim>")
add_dependencies(link_e2e_tests lt40-sim)
