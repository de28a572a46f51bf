# Windows x86-64 for the MSVC C++ ABI, built on Debian: clang 19 in cl mode,
# lld-link, the Microsoft STL's headers, and Wine's runtime DLLs with import
# libraries made from them at configure time (tools/msvc-runtime). The static
# part of Microsoft's runtime is stood in for by tools/msvc-runtime too.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(TAPELOOM_LLVM_BIN /usr/lib/llvm-19/bin CACHE PATH "LLVM 19's programs: clang, lld-link, llvm-lib")
set(TAPELOOM_WINE_INCLUDE /usr/include/wine/wine CACHE PATH "Wine's C runtime and Windows headers (libwine-dev)")
set(TAPELOOM_WINE_DLLS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "Wine's x86-64 PE DLLs")
if(DEFINED ENV{TAPELOOM_MSVC_STL_DIR})
  set(stl_default $ENV{TAPELOOM_MSVC_STL_DIR})
else()
  get_filename_component(stl_default ${CMAKE_CURRENT_LIST_DIR}/../../shared/msvc-stl ABSOLUTE)
endif()
set(TAPELOOM_MSVC_STL_DIR ${stl_default} CACHE PATH "A checkout of the Microsoft STL (tag vs-2022-17.14)")
set(TAPELOOM_MSVC_ABI ON CACHE INTERNAL "")

# Debian 12 has no clang-cl program; clang picks cl mode from the name it is called by.
set(driver_dir ${CMAKE_BINARY_DIR}/msvc-abi-driver)
file(MAKE_DIRECTORY ${driver_dir})
file(CREATE_LINK ${TAPELOOM_LLVM_BIN}/clang ${driver_dir}/clang-cl SYMBOLIC)
set(CMAKE_C_COMPILER ${driver_dir}/clang-cl)
set(CMAKE_CXX_COMPILER ${driver_dir}/clang-cl)
set(CMAKE_C_COMPILER_TARGET x86_64-pc-windows-msvc)
set(CMAKE_CXX_COMPILER_TARGET x86_64-pc-windows-msvc)
set(CMAKE_LINKER ${TAPELOOM_LLVM_BIN}/lld-link)
set(CMAKE_AR ${TAPELOOM_LLVM_BIN}/llvm-lib)
set(CMAKE_MT ${TAPELOOM_LLVM_BIN}/llvm-mt)
set(CMAKE_RC_COMPILER ${TAPELOOM_LLVM_BIN}/llvm-rc)

# The runtime stand-in is not built yet when CMake tries the compiler.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Headers as Visual Studio would find them: the stand-in sysroot first, then
# the STL, then Wine's. No vector algorithms: clang 19 cannot build their source.
set(stl_include ${TAPELOOM_MSVC_STL_DIR}/stl/inc)
set(sysroot ${CMAKE_CURRENT_LIST_DIR}/../tools/msvc-sysroot/include)
set(runtime_include ${CMAKE_CURRENT_LIST_DIR}/../tools/msvc-runtime/include)
set(system_includes "-imsvc ${sysroot} -imsvc ${runtime_include} -imsvc ${stl_include} -imsvc ${TAPELOOM_WINE_INCLUDE}/msvcrt -imsvc ${TAPELOOM_WINE_INCLUDE}/windows")
set(CMAKE_C_FLAGS_INIT "-fms-compatibility-version=19.44 ${system_includes}")
set(CMAKE_CXX_FLAGS_INIT "-fms-compatibility-version=19.44 ${system_includes} /EHsc /D_USE_STD_VECTOR_ALGORITHMS=0")
# Only the libraries named here: the runtime stand-in and the import
# libraries, never the names the compiler and the STL ask for by default.
# The runtime stand-in defines a few functions the headers declare as imports
# (LNK4217 says so for each): what Wine leaves as stubs.
set(link_init "/nodefaultlib /libpath:${CMAKE_BINARY_DIR}/msvc-import-libs /manifest:no /ignore:4217")
set(CMAKE_EXE_LINKER_FLAGS_INIT ${link_init})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${link_init})
set(CMAKE_MODULE_LINKER_FLAGS_INIT ${link_init})

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
