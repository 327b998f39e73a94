# The serial port library: its pure configuration logic, and one contract
# suite run on each platform's backend over a real line (a pseudo-terminal
# pair natively, COM1 joined to COM2 under Wine).
set(serial_tests ${CMAKE_CURRENT_LIST_DIR})

set(serial_state_sources ${serial_tests}/device_state_tests.cpp)
set(serial_port_sources
  ${serial_tests}/port_fixture.cpp
  ${serial_tests}/serial_contract_tests.cpp)
if(WIN32)
  list(APPEND serial_port_sources ${serial_tests}/line_peer_win32.cpp)
else()
  list(APPEND serial_state_sources ${serial_tests}/posix_termios_tests.cpp)
  list(APPEND serial_port_sources
    ${serial_tests}/line_peer_posix.cpp
    ${serial_tests}/serial_posix_tests.cpp)
endif()

torva_test(serial_state_tests ${serial_state_sources})
target_link_libraries(serial_state_tests PRIVATE torva_static)
torva_test(serial_port_tests ${serial_port_sources})
target_link_libraries(serial_port_tests PRIVATE torva_static)
if(NOT WIN32)
  target_link_libraries(serial_port_tests PRIVATE util)
endif()

# The routines alone, over a scripted device instead of a platform backend.
torva_test(serial_routine_tests
  ${serial_tests}/serial_routine_tests.cpp
  ${serial_tests}/scripted_platform.cpp
  ${PROJECT_SOURCE_DIR}/src/serial/serial_port.cpp
  ${PROJECT_SOURCE_DIR}/src/serial/device_state.cpp)
