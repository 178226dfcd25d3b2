# Runs PROGRAM with the ;-separated ARGS and checks its exit status and, when given, that
# its standard error contains EXPECT_STDERR on a single line. EMULATOR, when not empty,
# runs the program (Wine for the Windows build).
separate_arguments(args NATIVE_COMMAND "${ARGS}")
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" ${args} RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status STREQUAL "${EXPECT_STATUS}")
  message(FATAL_ERROR "exit status ${status}, expected ${EXPECT_STATUS}; stderr: ${err}")
endif()
if(DEFINED EXPECT_STDERR)
  string(FIND "${err}" "${EXPECT_STDERR}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "stderr lacks \"${EXPECT_STDERR}\": ${err}")
  endif()
  string(REGEX MATCHALL "\n" newlines "${err}")
  list(LENGTH newlines lines)
  if(NOT lines EQUAL 1)
    message(FATAL_ERROR "stderr is not one line: ${err}")
  endif()
endif()
