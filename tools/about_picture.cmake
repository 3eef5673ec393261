# Draws the about box's picture and writes resources/about_meter.jpg (progressive JFIF).
# Built on demand only:
#   ninja make-about-picture && ./tools/make-about-picture <source>/resources/about_meter.jpg
if(HALVEX_WITH_GUI)
  add_executable(make-about-picture EXCLUDE_FROM_ALL
    ${CMAKE_CURRENT_SOURCE_DIR}/make_about_picture.cpp)
  target_link_libraries(make-about-picture PRIVATE Qt6::Gui JPEG::JPEG)
  halvex_warnings(make-about-picture)
endif()
