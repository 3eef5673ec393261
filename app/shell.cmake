# The application shell's small windows and values: the program-wide values, the preferences
# dialog and the about box with its picture.
if(HALVEX_WITH_GUI)
  add_library(halvex_shell STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/globals.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/preferences.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/about_win.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/jpeg_image.cpp
    ${CMAKE_SOURCE_DIR}/resources/resources.qrc)
  target_link_libraries(halvex_shell PUBLIC qtkit_dialogs qtkit_settings qtkit_settings_file
    qtkit_language Qt6::Widgets JPEG::JPEG halvex_files)
  halvex_warnings(halvex_shell)
endif()
