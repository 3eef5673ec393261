add_library(halvex_formatting STATIC ${CMAKE_CURRENT_LIST_DIR}/formatting.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/user_number.cpp)
halvex_warnings(halvex_formatting)
set_property(GLOBAL APPEND PROPERTY HALVEX_BENCH_LIBS halvex_formatting)
