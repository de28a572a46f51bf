cmake_minimum_required(VERSION 3.25)
# Lists every import of the MSVC-ABI modules and fails on a name that
# Microsoft's DLL of that name does not export: Wine's DLLs export more than
# Microsoft's, and a module bound to such a name loads under Wine only.
#
# The reference is mingw-w64's import libraries, generated from the export
# lists of Microsoft's own DLLs (vcruntime140_app exports what vcruntime140
# does), and for the STL's DLLs the STL's sources: its .src export list for
# msvcp140_atomic_wait, and for msvcp140 the C functions its sources define
# as exported. msvcp140's C++ names are imported only by the STL's own
# headers of the same release, so they are listed, not checked.
set(reference_libs kernel32=libkernel32.a user32=libuser32.a imm32=libimm32.a ucrtbase=libucrtbase.a
                   vcruntime140=libvcruntime140_app.a gdi32=libgdi32.a shell32=libshell32.a opengl32=libopengl32.a)

function(exports_of dll out)
  foreach(pair IN LISTS reference_libs)
    if(pair MATCHES "^${dll}=(.+)$")
      execute_process(COMMAND ${NM} --just-symbol-name --defined-only ${MINGW_LIB}/${CMAKE_MATCH_1}
                      OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
      string(REGEX MATCHALL "__imp_[^\n]+" names "${listing}")
      list(TRANSFORM names REPLACE "^__imp_" "")
      set(${out} "${names}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  if(dll STREQUAL "msvcp140_atomic_wait")
    file(STRINGS ${STL_SRC}/msvcp_atomic_wait.src names REGEX "^ +[A-Za-z_]")
    list(TRANSFORM names STRIP)
    set(${out} "${names}" PARENT_SCOPE)
  elseif(dll STREQUAL "msvcp140")
    file(GLOB sources ${STL_SRC}/*.cpp)
    set(names "")
    foreach(source IN LISTS sources)
      file(STRINGS ${source} lines REGEX "_CRTIMP2[_A-Z]* .*[ *](_?_?[A-Za-z_0-9]+)\\(")
      foreach(line IN LISTS lines)
        string(REGEX MATCH "[ *](_?_?[A-Za-z_0-9]+)\\(" name "${line}")
        list(APPEND names "${CMAKE_MATCH_1}")
      endforeach()
    endforeach()
    set(${out} "${names}" PARENT_SCOPE)
  else()
    message(FATAL_ERROR "no reference for the exports of ${dll}.dll")
  endif()
endfunction()

set(wrong "")
set(count 0)
foreach(module IN LISTS MODULES)
  execute_process(COMMAND ${READOBJ} --coff-imports ${module} OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "\n" ";" lines "${listing}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^ *Name: (.+)\\.dll$")
      string(TOLOWER "${CMAKE_MATCH_1}" dll)
      if(NOT DEFINED exports_${dll})
        exports_of(${dll} exports_${dll})
      endif()
    elseif(line MATCHES "^ *Symbol: ([^ ]+) ")
      set(name "${CMAKE_MATCH_1}")
      math(EXPR count "${count} + 1")
      if(NOT (dll STREQUAL "msvcp140" AND name MATCHES "^\\?") AND NOT name IN_LIST exports_${dll})
        list(APPEND wrong "${module}: ${dll}.dll!${name}")
      endif()
    endif()
  endforeach()
endforeach()
message(STATUS "${count} imports of ${MODULES}")
if(wrong)
  string(REPLACE ";" "\n  " wrong "${wrong}")
  message(FATAL_ERROR "imports that Microsoft's DLLs do not export:\n  ${wrong}")
endif()
