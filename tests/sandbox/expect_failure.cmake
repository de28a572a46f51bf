# Runs the sandbox where it must stop, and checks how: the exit code EXIT and
# one line on standard error matching MESSAGE. EMULATOR runs the Windows build
# under Wine; it may be empty.
# ARGS separates the sandbox's arguments with "|": a test's command line splits lists.
# OUTPUT names a file for standard output instead of keeping the transcript;
# INPUT a file for standard input. STDOUT is a pattern the transcript must
# match, ABSENT one it must not.
string(REPLACE "|" ";" ARGS "${ARGS}")
set(output_to "OUTPUT_VARIABLE output")
if(NOT DEFINED INPUT)
  set(INPUT /dev/null)
endif()
if(DEFINED OUTPUT)
  set(output_to "OUTPUT_FILE [==[${OUTPUT}]==]")
endif()
# Each argument bracketed, so that an empty one stays an argument.
foreach(argument IN LISTS EMULATOR SANDBOX ARGS)
  string(APPEND command " [==[${argument}]==]")
endforeach()
cmake_language(EVAL CODE "execute_process(COMMAND ${command} INPUT_FILE [==[${INPUT}]==] ${output_to}
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
if(DEFINED STDOUT AND NOT output MATCHES "${STDOUT}" OR DEFINED ABSENT AND output MATCHES "${ABSENT}")
  message(FATAL_ERROR "the transcript does not match \"${STDOUT}\" or matches \"${ABSENT}\":\n${output}")
endif()
if(DEFINED REFUSED AND output MATCHES "\\[sandbox\\] loaded")
  message(FATAL_ERROR "the transcript says the refused module was loaded:\n${output}")
endif()
