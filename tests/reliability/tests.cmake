# Faults on the line, hostile host input and the soak with nothing lost.
if(WIN32)
  set(TORVA_VANISHED_LINE reliability/vanished_line_win32.cpp)
else()
  set(TORVA_VANISHED_LINE reliability/vanished_line_posix.cpp)
endif()
torva_test(reliability_line_tests
  reliability/line_fault_tests.cpp
  reliability/faulty_line.cpp
  ${TORVA_VANISHED_LINE})
