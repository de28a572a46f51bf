# Runs the sandbox where it must stop, and checks how: the exit code EXIT and
# one line on standard error matching MESSAGE. EMULATOR runs the Windows build
# under Wine; it may be empty.
# ARGS separates the sandbox's arguments with "|": a test's command line splits lists.
# OUTPUT names a file for standard output instead of keeping the transcript.
# TRANSCRIPT is a line the kept transcript must hold, for a run that ends well.
string(REPLACE "|" ";" ARGS "${ARGS}")
set(output_to "OUTPUT_VARIABLE output")
if(DEFINED OUTPUT)
  set(output_to "OUTPUT_FILE [==[${OUTPUT}]==]")
endif()
# Each argument bracketed, so that an empty one stays an argument.
foreach(argument IN LISTS EMULATOR SANDBOX ARGS)
  string(APPEND command " [==[${argument}]==]")
endforeach()
cmake_language(EVAL CODE "execute_process(COMMAND ${command} INPUT_FILE /dev/null ${output_to}
                                          RESULT_VARIABLE exit_code ERROR_VARIABLE errors)")
string(STRIP "${errors}" errors)
if(NOT exit_code EQUAL EXIT)
  message(FATAL_ERROR "the sandbox ended with ${exit_code}, not ${EXIT}:\n${output}\n${errors}")
endif()
if(errors MATCHES "\n")
  message(FATAL_ERROR "the message is not one line:\n${errors}")
endif()
if(NOT errors MATCHES "${MESSAGE}")
  message(FATAL_ERROR "the message does not say \"${MESSAGE}\":\n${errors}")
endif()
if(DEFINED REFUSED AND output MATCHES "\\[sandbox\\] loaded")
  message(FATAL_ERROR "the transcript says the refused module was loaded:\n${output}")
endif()
if(DEFINED TRANSCRIPT AND NOT output MATCHES "(^|\n)${TRANSCRIPT}\n")
  message(FATAL_ERROR "the transcript lacks the line \"${TRANSCRIPT}\":\n${output}")
endif()
