# Calibration files (HVC), toolkit-free: the 58-line order, Windows-1250, atomic saving.
add_library(halvex_calibration_file STATIC ${CMAKE_CURRENT_LIST_DIR}/calibration_file.cpp)
target_link_libraries(halvex_calibration_file PUBLIC halvex_calibration_data halvex_files)
halvex_warnings(halvex_calibration_file)
