# The application shell's platform layers and small windows: settings store, dialogs (the
# print dialog among them), the preferences dialog and the about box with its picture.
if(HALVEX_WITH_GUI)
  add_library(halvex_shell STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/globals.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings_store.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/dialogs.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/preferences.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/about_win.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/jpeg_image.cpp
    ${CMAKE_SOURCE_DIR}/resources/resources.qrc)
  target_link_libraries(halvex_shell PUBLIC Qt6::Widgets Qt6::PrintSupport JPEG::JPEG
    halvex_files)
  halvex_warnings(halvex_shell)
endif()
