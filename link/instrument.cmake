# The instrument session: port, frame receiver, commands, state timer, connection check,
# reconnecting and the transfers attached to it. Toolkit-free.
add_library(halvex_instrument STATIC ${CMAKE_CURRENT_LIST_DIR}/instrument.cpp
                                     ${CMAKE_CURRENT_LIST_DIR}/instrument.h
                                     ${CMAKE_CURRENT_LIST_DIR}/event_loop.h
                                     ${CMAKE_CURRENT_LIST_DIR}/transfer.h)
target_link_libraries(halvex_instrument PUBLIC halvex_link halvex_comport)
halvex_warnings(halvex_instrument)
