# The calibration card: its layout (toolkit-free) and, with the GUI, the window TPrintDataWin
# that asks for the card's texts and prints it.
add_library(halvex_card STATIC ${CMAKE_CURRENT_LIST_DIR}/calibration_card.cpp)
target_link_libraries(halvex_card PUBLIC halvex_calibration_data halvex_print_surface)
halvex_warnings(halvex_card)

if(HALVEX_WITH_GUI)
  add_library(halvex_card_win STATIC
    ${CMAKE_CURRENT_LIST_DIR}/print_data_win.cpp
    ${CMAKE_CURRENT_LIST_DIR}/print_data_win.h)
  target_link_libraries(halvex_card_win PUBLIC halvex_card qtkit_print qtkit_dialogs
    Qt6::Widgets)
  halvex_warnings(halvex_card_win)
endif()
