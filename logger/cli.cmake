# The logger's command line, help, exit codes, progress lines and port listing. Toolkit-free.
add_library(halvex_log_cli STATIC ${CMAKE_CURRENT_LIST_DIR}/cli.h
                                  ${CMAKE_CURRENT_LIST_DIR}/cli.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/ports_listing.h
                                  ${CMAKE_CURRENT_LIST_DIR}/ports_listing.cpp)
target_include_directories(halvex_log_cli PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(halvex_log_cli PUBLIC halvex_chart_model halvex_comport)
halvex_warnings(halvex_log_cli)
