# Warnings are errors in our own code (not in generated moc/uic/rcc files).
function(halvex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # GCC 12 at -O3 (the Release build) warns falsely of overlapping memcpy inside
  # std::string's operator+ (GCC bug 105329); that check is off.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# halvex_add_test(NAME <binary> SOURCES <files...> LIBS <libs...> [GUI])
# One GoogleTest binary; every test case becomes a ctest entry. GUI tests run on
# the offscreen platform so that no display is needed.
function(halvex_add_test)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock Threads::Threads)
  if(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE Qt6::Widgets Qt6::Test)
  endif()
  halvex_warnings(${T_NAME})
  # The test code itself (the program's code under test is in the libraries, built with the
  # build's own flags) is compiled at -O1 with line tables only in the optimised builds:
  # that halves the time of the larger part of the build, and a failure still points to
  # its file and line.
  target_compile_options(${T_NAME} PRIVATE
    $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-O1 -g1>)
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C" TIMEOUT 120)
endfunction()

# Includes every *.cmake fragment of the calling folder, in name order.
macro(halvex_include_fragments)
  file(GLOB _halvex_fragments CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cmake)
  list(SORT _halvex_fragments)
  foreach(_f IN LISTS _halvex_fragments)
    include(${_f})
  endforeach()
endmacro()
