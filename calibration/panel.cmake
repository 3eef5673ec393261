# The calibration panel widget of service mode.
if(HALVEX_WITH_GUI)
  add_library(halvex_calibration_panel STATIC
    ${CMAKE_CURRENT_LIST_DIR}/calibration_panel.h
    ${CMAKE_CURRENT_LIST_DIR}/calibration_panel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/calibration_grid.h
    ${CMAKE_CURRENT_LIST_DIR}/calibration_grid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/page_control.h
    ${CMAKE_CURRENT_LIST_DIR}/page_control.cpp
    ${CMAKE_CURRENT_LIST_DIR}/panel_glyphs.h
    ${CMAKE_CURRENT_LIST_DIR}/panel_glyphs.cpp)
  target_link_libraries(halvex_calibration_panel PUBLIC halvex_calibration halvex_calibration_file qtkit_dialogs
    Qt6::Widgets)
  halvex_warnings(halvex_calibration_panel)
endif()
