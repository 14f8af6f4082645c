# Runs brisco-dump.exe under Wine against the driver and compares its output with a golden file.
# -DWINE_RUN=... -DPROGRAM=... -DNAMES_DIR=... -DGOLDEN=... -DOUTPUT=..., and either
# -DMODE=hex|decimal|capabilities|json or -DARGS="arguments separated by spaces";
# -DMACHINE=image makes the driver serve that machine. With -DNATIVE=program the golden
# file is what the native brisco-dump prints from MACHINE with the same arguments.
# -DEXIT=code: the exit code both programs must give (default 0).
if(NOT DEFINED EXIT)
  set(EXIT 0)
endif()
set(args "")
if(MODE STREQUAL "decimal")
  set(args --decimal)
elseif(MODE STREQUAL "capabilities" OR MODE STREQUAL "json")
  set(args --${MODE})
endif()
if(DEFINED ARGS)
  separate_arguments(args UNIX_COMMAND "${ARGS}")
endif()
if(MACHINE)
  set(ENV{BRISCO_MACHINE} ${MACHINE})
endif()
execute_process(
  COMMAND ${WINE_RUN} --cwd ${NAMES_DIR} ${PROGRAM} ${args}
  OUTPUT_FILE ${OUTPUT}
  ERROR_VARIABLE errors
  RESULT_VARIABLE result)
if(NOT result EQUAL EXIT)
  message(FATAL_ERROR "brisco-dump.exe ${args} exited ${result}, not ${EXIT}: ${errors}")
endif()
if(NATIVE)
  if(NOT EXISTS ${NATIVE})
    message(FATAL_ERROR "the native brisco-dump is not built (${NATIVE}): build the native preset first")
  endif()
  execute_process(
    COMMAND ${NATIVE} ${args} ${MACHINE}
    WORKING_DIRECTORY ${NAMES_DIR}
    OUTPUT_FILE ${GOLDEN}
    ERROR_VARIABLE errors
    RESULT_VARIABLE result)
  if(NOT result EQUAL EXIT)
    message(FATAL_ERROR "the native brisco-dump ${args} exited ${result}, not ${EXIT}: ${errors}")
  endif()
endif()
execute_process(COMMAND diff -u ${GOLDEN} ${OUTPUT} OUTPUT_VARIABLE difference RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "brisco-dump.exe ${args} differs from ${GOLDEN}:\n${difference}")
endif()
