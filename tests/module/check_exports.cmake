cmake_minimum_required(VERSION 3.25)
# Lists the module's exported symbols and fails unless they are exactly the
# entry points and the plug-in base's members, vtable and type information.
execute_process(COMMAND ${LISTER} ${MODULE} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot list the exports of ${MODULE}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(symbols "")
if(MSVC_ABI)
  # llvm-readobj --coff-exports: "Name: name" in each export.
  foreach(line IN LISTS lines)
    if(line MATCHES "^ *Name: (.+)$")
      list(APPEND symbols "${CMAKE_MATCH_1}")
    endif()
  endforeach()
elseif(WINDOWS)
  # objdump -p: the rows after "[Ordinal/Name Pointer] Table" read "[   n] name".
  set(in_table FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "\\[Ordinal/Name Pointer\\] Table")
      set(in_table TRUE)
    elseif(in_table AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
      list(APPEND symbols "${CMAKE_MATCH_1}")
    elseif(in_table AND line STREQUAL "")
      set(in_table FALSE)
    endif()
  endforeach()
else()
  foreach(line IN LISTS lines)
    if(line MATCHES "^([^ ]+) ")
      list(APPEND symbols "${CMAKE_MATCH_1}")
    endif()
  endforeach()
endif()

if(MSVC_ABI)
  # The MSVC ABI exports no type information: a cast across modules compares type names.
  set(base "QuintraPlugin@Plugin@Quintra@@")
  set(allowed "^(exports|getPlugin|deleteMe|\\?[^@]+@${base}.+|\\?\\?[0-9_][0-9A-Z]?${base}.+)$")
  set(required exports getPlugin deleteMe ??_7${base}6B@ ?onLoad@${base}UEAAXXZ ?onUnload@${base}UEAAXXZ
               ??0${base}QEAA@XZ ??0${base}QEAA@AEBV012@@Z ??0${base}QEAA@$$QEAV012@@Z ??1${base}QEAA@XZ
               ??4${base}QEAAAEAV012@AEBV012@@Z ??4${base}QEAAAEAV012@$$QEAV012@@Z)
else()
  set(base "N7Quintra6Plugin13QuintraPluginE")
  set(allowed "^(exports|getPlugin|deleteMe|_ZN7Quintra6Plugin13QuintraPlugin.+|_ZT[VIS]${base})$")
  set(required exports getPlugin deleteMe _ZTV${base} _ZTI${base}
               _ZN7Quintra6Plugin13QuintraPlugin6onLoadEv _ZN7Quintra6Plugin13QuintraPlugin8onUnloadEv
               _ZN7Quintra6Plugin13QuintraPluginC2Ev _ZN7Quintra6Plugin13QuintraPluginD2Ev
               _ZN7Quintra6Plugin13QuintraPluginaSERKS1_ _ZN7Quintra6Plugin13QuintraPluginaSEOS1_)
endif()

set(unexpected "")
foreach(symbol IN LISTS symbols)
  if(NOT symbol MATCHES "${allowed}")
    list(APPEND unexpected "${symbol}")
  endif()
endforeach()
set(missing "")
foreach(symbol IN LISTS required)
  if(NOT symbol IN_LIST symbols)
    list(APPEND missing "${symbol}")
  endif()
endforeach()

list(LENGTH symbols count)
message(STATUS "${count} exports: ${symbols}")
if(unexpected OR missing)
  message(FATAL_ERROR "export table of ${MODULE} is wrong\n  unexpected: ${unexpected}\n  missing: ${missing}")
endif()
