# The per-user settings store: typed values in keys, kept in one JSON file.
if(HALVEX_WITH_GUI)
  add_library(qtkit_settings STATIC ${CMAKE_CURRENT_LIST_DIR}/settings_store.h
                                    ${CMAKE_CURRENT_LIST_DIR}/settings_store.cpp)
  target_link_libraries(qtkit_settings PUBLIC Qt6::Core)
  halvex_warnings(qtkit_settings)
endif()
