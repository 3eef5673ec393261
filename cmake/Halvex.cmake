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

# halvex_forbid_links(TARGETS <targets...> FORBIDDEN <regexes...> WHY <text>)
# Fails the configuration when one of TARGETS links, directly or through any library it links
# (LINK_LIBRARIES and INTERFACE_LINK_LIBRARIES, followed transitively, imported targets
# included), a library whose name matches one of FORBIDDEN. The message names the chain of
# links that brings it in. Call it after every target is defined.
function(halvex_forbid_links)
  cmake_parse_arguments(G "" "WHY" "TARGETS;FORBIDDEN" ${ARGN})
  foreach(top IN LISTS G_TARGETS)
    if(NOT TARGET ${top})
      message(FATAL_ERROR "Link guard: '${top}' is listed but is not a target of this build.")
    endif()
    set(queue ${top})
    set(seen ${top})
    set(chain_${top} "${top}")
    while(queue)
      list(POP_FRONT queue current)
      get_target_property(aliased ${current} ALIASED_TARGET)
      if(aliased)
        set(current ${aliased})
      endif()
      set(deps "")
      get_target_property(type ${current} TYPE)
      if(NOT type STREQUAL "INTERFACE_LIBRARY" OR CMAKE_VERSION VERSION_GREATER_EQUAL 3.19)
        get_target_property(direct ${current} LINK_LIBRARIES)
        if(direct)
          list(APPEND deps ${direct})
        endif()
      endif()
      get_target_property(iface ${current} INTERFACE_LINK_LIBRARIES)
      if(iface)
        list(APPEND deps ${iface})
      endif()
      foreach(dep IN LISTS deps)
        # Markers of target_link_libraries called from another folder, and $<LINK_ONLY:x>.
        if(dep MATCHES "^::@")
          continue()
        endif()
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" dep "${dep}")
        set(name "${dep}")
        if(TARGET ${dep})
          get_target_property(dep_aliased ${dep} ALIASED_TARGET)
          if(dep_aliased)
            set(name ${dep_aliased})
          endif()
        endif()
        foreach(pattern IN LISTS G_FORBIDDEN)
          if(dep MATCHES "${pattern}" OR name MATCHES "${pattern}")
            message(FATAL_ERROR
              "Link guard: ${top} must not link ${name} (${G_WHY}).\n"
              "  It comes in through: ${chain_${current}} -> ${dep}")
          endif()
        endforeach()
        if(TARGET ${name} AND NOT name IN_LIST seen)
          list(APPEND seen ${name})
          list(APPEND queue ${name})
          set(chain_${name} "${chain_${current}} -> ${name}")
        endif()
      endforeach()
    endwhile()
  endforeach()
endfunction()
