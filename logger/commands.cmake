# The commands that talk to the instrument: record, download, read-calibration.
if(HALVEX_WITH_GUI)
  add_library(halvex_log_commands STATIC ${CMAKE_CURRENT_LIST_DIR}/commands.h
                                         ${CMAKE_CURRENT_LIST_DIR}/commands.cpp)
  target_link_libraries(halvex_log_commands PUBLIC halvex_log_cli halvex_session halvex_live
    halvex_calibration_file qtkit_signals Qt6::Core)
  halvex_warnings(halvex_log_commands)
endif()
