# The report window TRaport_Win with its count field and results grid.
if(HALVEX_WITH_GUI)
  add_library(halvex_report_win STATIC
    ${CMAKE_CURRENT_LIST_DIR}/raport_win.cpp
    ${CMAKE_CURRENT_LIST_DIR}/raport_win.h
    ${CMAKE_CURRENT_LIST_DIR}/results_model.cpp
    ${CMAKE_CURRENT_LIST_DIR}/results_model.h
    ${CMAKE_CURRENT_LIST_DIR}/spin_edit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/spin_edit.h)
  target_link_libraries(halvex_report_win PUBLIC halvex_report qtkit_print qtkit_dialogs qtkit_language
    Qt6::Widgets)
  halvex_warnings(halvex_report_win)
endif()
