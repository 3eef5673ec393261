# The port the logger opens by default: the one in the window's settings.
if(HALVEX_WITH_GUI)
  add_library(halvex_log_settings STATIC ${CMAKE_CURRENT_LIST_DIR}/default_port.h
                                         ${CMAKE_CURRENT_LIST_DIR}/default_port.cpp)
  target_link_libraries(halvex_log_settings PUBLIC qtkit_settings qtkit_settings_file halvex_chart_model)
  halvex_warnings(halvex_log_settings)
endif()
