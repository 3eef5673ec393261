# Qt's own texts in the windows' language: the gettext catalogue, then Qt's catalogue.
if(HALVEX_WITH_GUI)
  add_library(qtkit_translations STATIC ${CMAKE_CURRENT_LIST_DIR}/gettext_translator.h
                                        ${CMAKE_CURRENT_LIST_DIR}/gettext_translator.cpp
                                        ${CMAKE_CURRENT_LIST_DIR}/toolkit_translations.h
                                        ${CMAKE_CURRENT_LIST_DIR}/toolkit_translations.cpp)
  target_link_libraries(qtkit_translations PUBLIC Qt6::Core)
  halvex_warnings(qtkit_translations)
endif()
