# The per-user settings store: typed values in keys, kept in one JSON file.
if(HALVEX_WITH_GUI)
  add_library(qtkit_settings STATIC ${CMAKE_CURRENT_LIST_DIR}/settings_store.h
                                    ${CMAKE_CURRENT_LIST_DIR}/settings_store.cpp)
  target_link_libraries(qtkit_settings PUBLIC Qt6::Core)
  halvex_warnings(qtkit_settings)
endif()

# The settings file's reader: the bounded reader of files the program is pointed at, shared
# by the window program and the windowless logger.
if(HALVEX_WITH_GUI)
  add_library(qtkit_settings_file STATIC ${CMAKE_CURRENT_LIST_DIR}/settings_file.h
                                         ${CMAKE_CURRENT_LIST_DIR}/settings_file.cpp)
  target_link_libraries(qtkit_settings_file PUBLIC qtkit_settings halvex_files)
  halvex_warnings(qtkit_settings_file)
endif()
