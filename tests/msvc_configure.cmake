# Configures the project as an MSVC developer would, with clang-cl standing in
# for cl.exe and no compiler run at all (no Windows SDK here), then checks the
# compile commands: the MSVC set on every file, no GCC flag anywhere.
# Run with -P (SOURCE, BINARY, CLANG_CL); the configure uses this same file as its toolchain.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  set(CMAKE_SYSTEM_NAME Windows)
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
  foreach(lang C CXX)
    set(CMAKE_${lang}_COMPILER ${TAPELOOM_CLANG_CL})
    foreach(setting COMPILER_FORCED=TRUE COMPILER_ID_RUN=TRUE COMPILER_ID=Clang COMPILER_VERSION=19.1
                    SIMULATE_ID=MSVC SIMULATE_VERSION=19.44 COMPILER_FRONTEND_VARIANT=MSVC)
      string(REPLACE "=" ";" setting ${setting})
      list(GET setting 0 name)
      list(GET setting 1 value)
      set(CMAKE_${lang}_${name} ${value})
    endforeach()
  endforeach()
  set(CMAKE_CXX_STANDARD_COMPUTED_DEFAULT 14)
  set(CMAKE_CXX_COMPILE_FEATURES cxx_std_11 cxx_std_14 cxx_std_17 cxx_std_20)
  set(CMAKE_CXX20_COMPILE_FEATURES cxx_std_20)
  return()
endif()

# A GoogleTest package that is only names: the tests' MSVC branch finds it as it would an installed one.
file(REMOVE_RECURSE ${BINARY})
file(WRITE ${BINARY}/gtest/GTestConfig.cmake "add_library(GTest::gtest INTERFACE IMPORTED)\n"
                                             "add_library(GTest::gmock INTERFACE IMPORTED)\n")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY}/build -G Ninja -DCMAKE_BUILD_TYPE=Debug
                        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SCRIPT_MODE_FILE} -DTAPELOOM_CLANG_CL=${CLANG_CL}
                        -DTAPELOOM_WERROR=ON -DGTest_DIR=${BINARY}/gtest
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the MSVC configure failed")
endif()

file(READ ${BINARY}/build/compile_commands.json commands)
string(JSON count LENGTH ${commands})
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
  string(JSON file GET ${commands} ${index} file)
  string(JSON command GET ${commands} ${index} command)
  set(expected -MD -D_ITERATOR_DEBUG_LEVEL=0 -D_DISABLE_CONSTEXPR_MUTEX_CONSTRUCTOR)
  if(file MATCHES "/Tapeloom/")
    list(APPEND expected /W4 /permissive- /utf-8 /WX -DNOMINMAX -DWIN32_LEAN_AND_MEAN)
  endif()
  foreach(flag ${expected})
    if(NOT " ${command} " MATCHES " ${flag} ")
      message(SEND_ERROR "${file}: no ${flag} in ${command}")
    endif()
  endforeach()
  if(" ${command}" MATCHES " -(W[a-z]|f[a-z]|pedantic|MDd)")
    message(SEND_ERROR "${file}: GCC flag or debug runtime ${CMAKE_MATCH_0} in ${command}")
  endif()
endforeach()
file(READ ${BINARY}/build/build.ninja rules)
if(rules MATCHES "-Wl,")
  message(SEND_ERROR "a GNU linker option in the MSVC build: ${CMAKE_MATCH_0}")
endif()
message(STATUS "${count} compile commands in MSVC terms")
