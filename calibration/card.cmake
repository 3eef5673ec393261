# The calibration card: its layout (toolkit-free) and, with the GUI, the window TPrintDataWin
# that asks for the card's texts and prints it.
add_library(halvex_card STATIC ${CMAKE_CURRENT_LIST_DIR}/calibration_card.cpp)
target_link_libraries(halvex_card PUBLIC halvex_calibration_data halvex_print_surface)
halvex_warnings(halvex_card)
