# halvex-log: the instrument without the window (Qt Core only; the link guard at the end of
# the top CMakeLists.txt keeps widgets, printing and Qt Gui out).
if(HALVEX_WITH_GUI)
  add_executable(halvex-log ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  target_link_libraries(halvex-log PRIVATE halvex_log_cli halvex_log_settings halvex_log_commands
                        Qt6::Core)
  target_compile_definitions(halvex-log PRIVATE HALVEX_VERSION="${PROJECT_VERSION}")
  halvex_warnings(halvex-log)
endif()
