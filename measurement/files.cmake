# Writing a file atomically (temporary file, flush, rename), shared by the data files and the
# calibration files.
add_library(halvex_files STATIC ${CMAKE_CURRENT_LIST_DIR}/atomic_file.cpp)
target_include_directories(halvex_files PUBLIC ${CMAKE_SOURCE_DIR})
halvex_warnings(halvex_files)
set_property(GLOBAL APPEND PROPERTY HALVEX_BENCH_LIBS halvex_files)
