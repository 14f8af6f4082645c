# Runs brisco-dump.exe under Wine against the driver and compares its output with a golden file.
# -DWINE_RUN=... -DPROGRAM=... -DNAMES_DIR=... -DGOLDEN=... -DOUTPUT=..., and either
# -DMODE=hex|decimal|capabilities|json or -DARGS="arguments separated by spaces";
# -DMACHINE=image makes the driver serve that machine. With -DNATIVE=program the golden
# file is what the native brisco-dump prints from MACHINE with the same arguments.
# -DEXIT=code: the exit code both programs must give (default 0).
# -DRESTART=1: the driver starts afresh on MACHINE before the run and again after it, so that
# writes made before do not show and the writes of this run do not outlive it.
# The journals of both programs go to OUTPUT.journal, not the user's folder.
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
set(journal_dir ${OUTPUT}.journal)
file(REMOVE_RECURSE ${journal_dir})
string(REPLACE "/" "\\" journal_windows "Z:${journal_dir}")
set(ENV{BRISCO_JOURNAL_DIR} ${journal_windows})
if(RESTART)
  set(ENV{BRISCO_DRIVER_RESTART} 1)
endif()
execute_process(
  COMMAND ${WINE_RUN} --cwd ${NAMES_DIR} ${PROGRAM} ${args}
  OUTPUT_FILE ${OUTPUT}
  ERROR_VARIABLE errors
  RESULT_VARIABLE result)
if(RESTART)
  execute_process(COMMAND ${WINE_RUN} ${PROGRAM} --help OUTPUT_QUIET ERROR_QUIET)
  unset(ENV{BRISCO_DRIVER_RESTART})
endif()
set(ENV{BRISCO_JOURNAL_DIR} ${journal_dir})
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
