halvex_add_test(NAME probe_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/instrument_probe_test.cpp
  LIBS halvex_probe GTest::gtest_main)
target_compile_definitions(probe_tests PRIVATE LT40_SIM_PATH="$<TARGET_FILE:lt40-sim>")
add_dependencies(probe_tests lt40-sim)
