# The calibration's way to and from the instrument, toolkit-free: the number parsers, the
# address map, the upload planner and executor, the readback decoder and session.
add_library(halvex_calibration STATIC
  ${CMAKE_CURRENT_LIST_DIR}/calibration_number.cpp
  ${CMAKE_CURRENT_LIST_DIR}/address_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/upload.cpp
  ${CMAKE_CURRENT_LIST_DIR}/readback.cpp)
target_link_libraries(halvex_calibration PUBLIC halvex_calibration_data halvex_formatting halvex_link)
halvex_warnings(halvex_calibration)
