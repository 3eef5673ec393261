# The main window: its controls, menus and handlers, and its caption tables.
if(HALVEX_WITH_GUI)
  add_library(halvex_mainwin STATIC
    ${CMAKE_CURRENT_LIST_DIR}/main_win.h
    ${CMAKE_CURRENT_LIST_DIR}/main_win.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_win_handlers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_win_data.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_win_texts.cpp)
  target_link_libraries(halvex_mainwin PUBLIC
    halvex_shell halvex_comport halvex_link halvex_measurement halvex_chart halvex_chart_model
    halvex_qtglue Qt6::Widgets)
  halvex_warnings(halvex_mainwin)
endif()
