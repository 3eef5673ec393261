# The result download session: addresses, results, requests and the end of the transfer.
# Toolkit-free; writes the results as a data file.
add_library(halvex_download STATIC ${CMAKE_CURRENT_LIST_DIR}/result_download.cpp)
target_link_libraries(halvex_download PUBLIC halvex_link halvex_chart_model)
halvex_warnings(halvex_download)
