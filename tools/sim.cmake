# The simulated LT-40: a toolkit-free model library and the lt40-sim program that puts
# it on a pseudo-terminal. Built with and without the GUI.
add_library(lt40_sim_core STATIC ${CMAKE_CURRENT_LIST_DIR}/lt40_sim/instrument.cpp)
halvex_warnings(lt40_sim_core)

add_executable(lt40-sim ${CMAKE_CURRENT_LIST_DIR}/lt40_sim/main.cpp)
target_link_libraries(lt40-sim PRIVATE lt40_sim_core)
halvex_warnings(lt40-sim)
# Toolkit-free: nothing for Qt's code generators to look at.
set_target_properties(lt40_sim_core lt40-sim PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
