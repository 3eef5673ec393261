halvex_add_test(NAME sim_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_test.cpp
  LIBS lt40_sim_core GTest::gtest_main)
# The end-to-end cases start the real simulator.
target_compile_definitions(sim_tests PRIVATE LT40_SIM_PATH="$<TARGET_FILE:lt40-sim>")
add_dependencies(sim_tests lt40-sim)
set_target_properties(sim_tests PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
