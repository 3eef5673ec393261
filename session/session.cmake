# The objects under the windows and the logger, on the Qt event loop (Qt Core only).
if(HALVEX_WITH_GUI)
  add_library(halvex_session STATIC ${CMAKE_CURRENT_LIST_DIR}/session.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/session.h)
  target_link_libraries(halvex_session PUBLIC halvex_instrument halvex_live halvex_download
    halvex_calibration halvex_calibration_data qtkit_delivery Qt6::Core)
  halvex_warnings(halvex_session)
endif()
