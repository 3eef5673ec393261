# The serial port component: port object, event thread hand-over, POSIX host layer and
# the error texts looked up through gettext. Toolkit-free.
add_library(halvex_comport STATIC
  ${CMAKE_CURRENT_LIST_DIR}/com_port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/com_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/delivery_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_serial.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_description.cpp)
target_include_directories(halvex_comport PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(halvex_comport PUBLIC Threads::Threads)
halvex_warnings(halvex_comport)
set_property(GLOBAL APPEND PROPERTY HALVEX_BENCH_LIBS halvex_comport)
