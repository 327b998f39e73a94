# The serial port library's pure configuration logic.
set(serial_tests ${CMAKE_CURRENT_LIST_DIR})

set(serial_state_sources ${serial_tests}/device_state_tests.cpp)
if(NOT WIN32)
  list(APPEND serial_state_sources ${serial_tests}/posix_termios_tests.cpp)
endif()
torva_test(serial_state_tests ${serial_state_sources})
target_link_libraries(serial_state_tests PRIVATE torva_static)
