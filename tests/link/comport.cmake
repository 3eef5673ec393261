halvex_add_test(NAME comport_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/com_port_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/com_port_fake_host_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/com_messages_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/delivery_queue_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/port_description_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/support/alloc_count.cpp
  LIBS halvex_comport GTest::gtest_main)
