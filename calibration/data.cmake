# The calibration data set, toolkit-free: the panel's texts, placeholders and headings.
add_library(halvex_calibration_data STATIC ${CMAKE_CURRENT_LIST_DIR}/calibration_data.cpp)
target_include_directories(halvex_calibration_data PUBLIC ${CMAKE_SOURCE_DIR})
halvex_warnings(halvex_calibration_data)
