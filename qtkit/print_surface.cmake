# The print surface: the interface the printouts (report, calibration card) draw on. Free of
# the toolkit, so the layouts stay toolkit-free; built also without the windows.
add_library(qtkit_print_surface INTERFACE ${CMAKE_CURRENT_LIST_DIR}/print_surface.h)
target_include_directories(qtkit_print_surface INTERFACE ${CMAKE_SOURCE_DIR})
