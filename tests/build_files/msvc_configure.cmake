# Configures the project as an MSVC developer would, with clang-cl standing in
# for cl.exe and no compiler run (no Windows SDK here), then checks every
# compile command: the runtime and STL settings everywhere, the warning set on
# the module's files, no GCC flag and no GNU linker option anywhere.
# cmake -DSOURCE=<repo> -DBINARY=<scratch folder> -P msvc_configure.cmake
find_program(clang_cl NAMES clang-cl-19 clang-19 REQUIRED)
set(msvc -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_CXX_COMPILE_FEATURES=cxx_std_20 -DCMAKE_BUILD_TYPE=Debug
         -DTAPELOOM_WERROR=ON -DGTest_DIR=${BINARY}/gtest)
foreach(lang C CXX)
  list(APPEND msvc -DCMAKE_${lang}_COMPILER=${clang_cl} -DCMAKE_${lang}_COMPILER_FORCED=ON -DCMAKE_${lang}_COMPILER_ID=Clang
       -DCMAKE_${lang}_COMPILER_ID_RUN=ON -DCMAKE_${lang}_SIMULATE_ID=MSVC -DCMAKE_${lang}_SIMULATE_VERSION=19.44
       -DCMAKE_${lang}_COMPILER_FRONTEND_VARIANT=MSVC)
endforeach()
# An installed GoogleTest as the tests' MSVC branch finds it, names only.
file(REMOVE_RECURSE ${BINARY})
file(WRITE ${BINARY}/gtest/GTestConfig.cmake "add_library(GTest::gtest INTERFACE IMPORTED)\n"
                                             "add_library(GTest::gmock INTERFACE IMPORTED)\n")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY}/build -G Ninja ${msvc} COMMAND_ERROR_IS_FATAL ANY)

file(READ ${BINARY}/build/compile_commands.json json)
string(REGEX MATCHALL "\"command\": \"[^\"]*\"" commands "${json}")
foreach(command ${commands})
  set(need "-D_DISABLE_CONSTEXPR_MUTEX_CONSTRUCTOR .*-D_ITERATOR_DEBUG_LEVEL=0 .* -MD ")
  if(command MATCHES "/Tapeloom/[^ ]*\"$")
    set(need "-DNOMINMAX .*-DWIN32_LEAN_AND_MEAN ${need}.* /W4 /permissive- /utf-8 /WX ")
  endif()
  if(NOT command MATCHES "${need}" OR command MATCHES " -(W[a-z]|f[a-z]|pedantic|MDd)")
    message(SEND_ERROR "not in MSVC terms (${need}): ${command}")
  endif()
endforeach()
file(STRINGS ${BINARY}/build/build.ninja gnu_linker REGEX "-Wl,")
if(gnu_linker OR NOT commands)
  message(SEND_ERROR "no compile commands, or a GNU linker option: ${gnu_linker}")
endif()
