# The program-wide language code every window reads.
add_library(qtkit_language STATIC ${CMAKE_CURRENT_LIST_DIR}/language.h
                                  ${CMAKE_CURRENT_LIST_DIR}/language.cpp)
target_include_directories(qtkit_language PUBLIC ${CMAKE_SOURCE_DIR})
halvex_warnings(qtkit_language)
