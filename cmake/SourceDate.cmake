# Writes the time the downloads are dated with, in seconds since 1970, to OUTPUT: the
# environment's SOURCE_DATE_EPOCH, else the time of the checkout's last commit, else the time
# of the file VERSION. Rewritten only when it changes, so that nothing repacks without cause.
# Usage: cmake -DSOURCE=checkout -DOUTPUT=file -P SourceDate.cmake
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -c safe.directory=* log -1 --format=%ct
                  WORKING_DIRECTORY ${SOURCE} OUTPUT_VARIABLE epoch
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(failed OR NOT epoch MATCHES "^[0-9]+$")
    file(TIMESTAMP ${SOURCE}/VERSION epoch "%s" UTC)
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds: ${epoch}")
endif()
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT "${epoch}\n")
