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
torva_test(reliability_soak_tests
  reliability/soak_tests.cpp
  reliability/soak.cpp
  reliability/faulty_line.cpp)

# The long soak, run by scripts/soak.sh: not a test of its own.
add_executable(torva_soak reliability/soak_main.cpp reliability/soak.cpp reliability/faulty_line.cpp)
target_link_libraries(torva_soak PRIVATE torva_test_support)
torva_test(reliability_hostile_input_tests reliability/hostile_input_tests.cpp reliability/faulty_line.cpp)

# Wine's serial ports report no pending input on a pseudo-terminal, so the
# purge before each request never drains stale bytes there; these cases
# depend on that drain and run natively only.
if(CMAKE_CROSSCOMPILING)
  set_tests_properties(reliability_line_tests PROPERTIES ENVIRONMENT
    "GTEST_FILTER=-LineFaults.NoiseBetweenEveryFrameCostsNoAttempt:LineFaults.WriteWhoseValuesRepliesAreCutHasReachedTheMachine:Patterns/BabblingLine.*:Table/LineGoesDead.*")
endif()
