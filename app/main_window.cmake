# The main window: its panels, menus and handlers, and its caption tables.
if(HALVEX_WITH_GUI)
  add_library(halvex_mainwin STATIC
    ${CMAKE_CURRENT_LIST_DIR}/main_win.h
    ${CMAKE_CURRENT_LIST_DIR}/main_win.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_menu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_win_handlers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_win_data.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_win_calibration.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_win_texts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/readout_panel.h
    ${CMAKE_CURRENT_LIST_DIR}/readout_panel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/side_panels.h
    ${CMAKE_CURRENT_LIST_DIR}/side_panels.cpp
    ${CMAKE_CURRENT_LIST_DIR}/chart_controls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/find_instrument_win.h
    ${CMAKE_CURRENT_LIST_DIR}/find_instrument_win.cpp)
  target_link_libraries(halvex_mainwin PUBLIC
    halvex_shell halvex_comport halvex_link halvex_probe halvex_measurement halvex_chart halvex_chart_model
    halvex_calibration_panel halvex_download halvex_pobierzwin halvex_session qtkit_delivery Qt6::Widgets)
  halvex_warnings(halvex_mainwin)
endif()
