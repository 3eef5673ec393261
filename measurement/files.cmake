# Files on disk, shared by the data files, the calibration files and the settings file:
# writing a file atomically (temporary file, flush, rename) and reading one the program is
# pointed at without ever blocking on it, bounded by what its format can hold.
add_library(halvex_files STATIC ${CMAKE_CURRENT_LIST_DIR}/atomic_file.cpp
                                ${CMAKE_CURRENT_LIST_DIR}/bounded_file.cpp)
target_include_directories(halvex_files PUBLIC ${CMAKE_SOURCE_DIR})
halvex_warnings(halvex_files)
set_property(GLOBAL APPEND PROPERTY HALVEX_BENCH_LIBS halvex_files)
