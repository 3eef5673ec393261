# The download window TPobierzWin: the result download's label, gauge and Anuluj.
if(HALVEX_WITH_GUI)
  add_library(halvex_pobierzwin STATIC
    ${CMAKE_CURRENT_LIST_DIR}/pobierz_win.h
    ${CMAKE_CURRENT_LIST_DIR}/pobierz_win.cpp)
  target_link_libraries(halvex_pobierzwin PUBLIC Qt6::Widgets halvex_download)
  halvex_warnings(halvex_pobierzwin)
endif()
