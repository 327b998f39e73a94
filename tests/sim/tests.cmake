# The simulated line: raw frames on a test line, its configuration, and
# natively its pseudo-terminals.
if(WIN32)
  set(TORVA_SIM_DRIVER_END sim/driver_end_win32.cpp)
else()
  set(TORVA_SIM_DRIVER_END sim/driver_end_posix.cpp)
endif()
torva_test(sim_wire_tests
  sim/simulator_wire_tests.cpp
  sim/test_frames.cpp
  ${TORVA_SIM_DRIVER_END})
torva_test(sim_config_tests
  sim/sim_config_tests.cpp
  sim/test_frames.cpp
  ${TORVA_SIM_DRIVER_END})
target_link_libraries(sim_wire_tests PRIVATE torva_sim)
target_link_libraries(sim_config_tests PRIVATE torva_sim)

if(NOT WIN32)
  torva_test(sim_pseudo_terminal_tests
    sim/pseudo_terminal_tests.cpp
    sim/test_frames.cpp)
  target_link_libraries(sim_pseudo_terminal_tests PRIVATE torva_sim)
endif()
