if(HALVEX_WITH_GUI)
  # The start-up, apart from main() so that tests run it.
  add_library(halvex_program STATIC ${CMAKE_CURRENT_LIST_DIR}/program.cpp)
  target_link_libraries(halvex_program PUBLIC halvex_mainwin halvex_shell halvex_servicewin halvex_pobierzwin
                        halvex_report_win halvex_card_win qtkit_translations qtkit_signals halvex_comport)
  halvex_warnings(halvex_program)

  add_executable(halvex ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  target_link_libraries(halvex PRIVATE halvex_program Qt6::Widgets)
  target_compile_definitions(halvex PRIVATE HALVEX_VERSION="${PROJECT_VERSION}")
  halvex_warnings(halvex)
endif()
