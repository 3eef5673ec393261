# The service windows that live for the whole run: the password window THasloWin and the
# user settings window TUzytkownikWin.
if(HALVEX_WITH_GUI)
  add_library(halvex_servicewin STATIC
    ${CMAKE_CURRENT_LIST_DIR}/screen_centre.h
    ${CMAKE_CURRENT_LIST_DIR}/haslo_win.h
    ${CMAKE_CURRENT_LIST_DIR}/haslo_win.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uzytkownik_win.h
    ${CMAKE_CURRENT_LIST_DIR}/uzytkownik_win.cpp)
  target_link_libraries(halvex_servicewin PUBLIC Qt6::Widgets halvex_shell)
  halvex_warnings(halvex_servicewin)
endif()
