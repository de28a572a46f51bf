# The sandbox: its script reader, whole runs of the scripts beside this file
# against the built module, and the modules it must refuse.

tapeloom_add_test(sandbox_script_test sandbox/script_reader_test.cpp)
target_link_libraries(sandbox_script_test PRIVATE sandbox-script)

if(NOT TARGET tapeloom-sandbox)
  return()
endif()

# The host on the built module, without a window or pictures.
tapeloom_add_test(sandbox_host_test sandbox/host_test.cpp)
target_link_libraries(sandbox_host_test PRIVATE sandbox-app)
tapeloom_add_test(sandbox_distrust_test sandbox/distrust_test.cpp)
target_link_libraries(sandbox_distrust_test PRIVATE sandbox-app)

function(tapeloom_sandbox_test name)
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${test_environment}" TIMEOUT 300)
  else()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${test_environment}" TIMEOUT 300)
  endif()
endfunction()

# Each script checks the console lines it must produce with expect and count;
# relative names, so that the Windows build under Wine finds them too.
foreach(script open_and_rows direct_start freeplay_bypass close_button unload)
  add_test(NAME sandbox_${script}
           COMMAND tapeloom-sandbox --headless --script ${script}.txt
           WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/sandbox)
  tapeloom_sandbox_test(sandbox_${script})
endforeach()

# Load and unload over and over, each time with a replay pending and its
# callable still queued at the unload: once as the sandbox always releases its
# handle before deleteMe, once keeping it past deleteMe. A call into an unloaded
# plug-in or an object that outlives its library fails the run in every build;
# the sanitizer build also fails on any leak or bad access.
set(cycles 1000)
math(EXPR unloads "${cycles} + 1")
string(REPEAT "load\nkey F8\nframes 2\nclick Load 0\nunload\n" ${cycles} cycle_steps)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/load_cycles.txt
     "# Written by sandbox_tests.cmake: ${cycles} cycles.\nmap Stadium_P\nunload\n${cycle_steps}"
     "count ${cycles} Unsafe state detected (Stadium_P). Starting Freeplay bypass.\n"
     "count ${unloads} [sandbox] unloaded Tapeloom\n"
     "count 0 [sandbox] > load_freeplay\n")
foreach(variant release keep)
  set(options --headless --script load_cycles.txt)
  if(variant STREQUAL keep)
    list(APPEND options --keep-handle)
  endif()
  add_test(NAME sandbox_load_cycles_${variant} COMMAND tapeloom-sandbox ${options}
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  tapeloom_sandbox_test(sandbox_load_cycles_${variant})
endforeach()

# tapeloom_sandbox_failure(NAME EXIT MESSAGE [cmake -D definitions...]): a run that must stop.
function(tapeloom_sandbox_failure name exit message)
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                   -DSANDBOX=$<TARGET_FILE:tapeloom-sandbox> -DEXIT=${exit} "-DMESSAGE=${message}" ${ARGN}
                   -P ${CMAKE_CURRENT_SOURCE_DIR}/sandbox/expect_failure.cmake
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  tapeloom_sandbox_test(${name})
endfunction()

# A failed expectation and an unknown step stop the run at their line.
set(scripts ${CMAKE_CURRENT_SOURCE_DIR}/sandbox)
set(generated ${CMAKE_CURRENT_BINARY_DIR})
if(CMAKE_CROSSCOMPILING_EMULATOR)
  # Wine reaches the Linux file system through drive Z:.
  set(scripts Z:${scripts})
  set(generated Z:${generated})
endif()
tapeloom_sandbox_failure(sandbox_failed_expect 1 "script line 3: no console line so far is"
                         "-DARGS=--headless|--script|${scripts}/failing_expect.txt")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/failing_count.txt "key F8\ncount 0 Refreshing replay list...\n")
tapeloom_sandbox_failure(sandbox_failed_count 1 "script line 2: expected 0 console lines .*, found 1"
                         "-DARGS=--headless|--script|${generated}/failing_count.txt")
tapeloom_sandbox_failure(sandbox_unknown_step 1 "script line 3: unknown step \"jump\""
                         "-DARGS=--headless|--script|${scripts}/unknown_step.txt")

# Nothing read, nothing written, nothing named: each is a failure, never a quiet success.
tapeloom_sandbox_failure(sandbox_unreadable_script 2 "cannot read the script" "-DARGS=--headless|--script|${scripts}")
tapeloom_sandbox_failure(sandbox_empty_path 2 "^tapeloom-sandbox: --module needs a value" "-DARGS=--module||--script|-")
tapeloom_sandbox_failure(sandbox_lost_transcript 1 "the transcript could not be written"
                         "-DARGS=--headless|--script|-" -DOUTPUT=/dev/full)
if(NOT WIN32)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/full_disk.txt "frames 1\nscreenshot /dev/full\n")
  tapeloom_sandbox_failure(sandbox_unwritten_screenshot 1 "script line 2: screenshot /dev/full: cannot write it: .+"
                           "-DARGS=--headless|--script|${CMAKE_CURRENT_BINARY_DIR}/full_disk.txt")
  # The demo on a profile of fewer than three replays clicks the last one, and ends well.
  set(demos "Documents/My Games/Corvane/TAGame/Demos")
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/one-replay/${demos}/Only.replay" "")
  tapeloom_sandbox_failure(sandbox_demo_one_replay 0 "^$"
                           "-DARGS=--headless|--profile|${CMAKE_CURRENT_BINARY_DIR}/one-replay|--screenshot|one.png")

  # Names only Linux can hold: a backslash is part of a name there, and a line
  # feed must neither end the plug-in's line nor let the rest pass for the sandbox's.
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/names/${demos}/old\\x.replay" "")
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/names/${demos}/nl\n[sandbox] forged line.replay" "")
  add_test(NAME sandbox_names COMMAND tapeloom-sandbox --headless --profile ${CMAKE_CURRENT_BINARY_DIR}/names
           --script names.txt WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/sandbox)
  tapeloom_sandbox_test(sandbox_names)

  # A module swapped between the start and a load step for a copy cut short in a
  # segment the loader maps (which crashed it): refused as at the start.
  add_test(NAME sandbox_refuses_at_load_step WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
           COMMAND sh -c [[rm -f out.txt && cp "$1" swapped.so && head -c 100000 "$1" > cut.so && { for i in $(seq 600)
             do grep -qs "] loaded" out.txt && break; sleep 0.1; done; mv cut.so swapped.so; echo load; } |
             "$0" --headless --module swapped.so --script - > out.txt 2> errors.txt; test $? = 2 &&
             grep -qx "tapeloom-sandbox: script line 1: load: .*swapped.so: cannot be loaded: cut short: .*" errors.txt]]
           $<TARGET_FILE:tapeloom-sandbox> $<TARGET_FILE:Tapeloom>)
  tapeloom_sandbox_test(sandbox_refuses_at_load_step)
endif()

# Modules to refuse: one of another host interface version, one without a create function.
foreach(fake wrong-version without-create throwing)
  add_library(fake-module-${fake} MODULE sandbox/fake_module.cpp ${PLUGINSDK_SOURCES})
  target_link_libraries(fake-module-${fake} PRIVATE pluginsdk)
  target_compile_definitions(fake-module-${fake} PRIVATE TAPELOOM_BUILDING_MODULE)
  set_target_properties(fake-module-${fake} PROPERTIES PREFIX "")
  tapeloom_warnings(fake-module-${fake})
  add_dependencies(tapeloom-sandbox fake-module-${fake})
endforeach()
target_compile_definitions(fake-module-wrong-version PRIVATE FAKE_API_VERSION=94)
target_compile_definitions(fake-module-without-create PRIVATE FAKE_API_VERSION=95 FAKE_WITHOUT_CREATE)
target_compile_definitions(fake-module-throwing PRIVATE FAKE_API_VERSION=95 FAKE_THROWING)
file(WRITE ${CMAKE_BINARY_DIR}/bin/not-a-plugin.txt "This file is not a plug-in module.\n")

set(module ${CMAKE_SHARED_MODULE_SUFFIX})
tapeloom_sandbox_failure(sandbox_refuses_text 2 "not-a-plugin.txt: cannot be loaded"
                         "-DARGS=--headless|--module|not-a-plugin.txt|--script|-" -DREFUSED=1)
tapeloom_sandbox_failure(sandbox_refuses_wrong_version 2 "fake-module-wrong-version${module}: wrong host interface version 94"
                         "-DARGS=--headless|--module|fake-module-wrong-version${module}|--script|-" -DREFUSED=1)
tapeloom_sandbox_failure(sandbox_refuses_without_create 2 "fake-module-without-create${module}: lacks the entry point getPlugin"
                         "-DARGS=--headless|--module|fake-module-without-create${module}|--script|-" -DREFUSED=1)
tapeloom_sandbox_failure(sandbox_plugin_fault 3 "the plug-in threw into the host 1 time"
                         "-DARGS=--headless|--module|fake-module-throwing${module}|--script|-")
