if(HALVEX_WITH_GUI)
  halvex_add_test(NAME qt_delivery_tests
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/qt_delivery_test.cpp
    LIBS qtkit_delivery halvex_comport
    GUI)
endif()
