# The host tool: its parts in process, and the torva program run as a user
# runs it, natively on its own simulated line and under Wine on the COM1-COM2
# pair of the runner.
if(WIN32)
  set(TORVA_TOOL_PROCESS tool/tool_process_win32.cpp)
else()
  set(TORVA_TOOL_PROCESS tool/tool_process_posix.cpp)
endif()
add_library(torva_tool_test_support STATIC tool/script_output.cpp ${TORVA_TOOL_PROCESS})
target_link_libraries(torva_tool_test_support PUBLIC torva_test_support torva_tool_core)

function(torva_tool_test name)
  torva_test(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE torva_tool_test_support)
  # The program under test is run from beside the test.
  add_dependencies(${name} torva_tool)
endfunction()

torva_tool_test(tool_unit_tests tool/tool_unit_tests.cpp)
torva_tool_test(tool_command_line_tests tool/tool_command_line_tests.cpp)
torva_tool_test(tool_line_tests tool/tool_line_tests.cpp)
if(NOT WIN32)
  torva_tool_test(tool_linux_tests tool/tool_linux_tests.cpp)
endif()
