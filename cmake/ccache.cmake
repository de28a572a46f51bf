# Every compile goes through ccache when it is installed, in every preset and
# toolchain (gcc, clang, mingw-w64, clang-cl): a second clone or a second run
# rebuilds only what changed. Without ccache the build is the same, uncached.
option(TAPELOOM_CCACHE "Compile through ccache where it is installed" ON)
if(NOT TAPELOOM_CCACHE OR CMAKE_CXX_COMPILER_LAUNCHER OR CMAKE_GENERATOR MATCHES "Visual Studio")
  return()
endif()
find_program(TAPELOOM_CCACHE_PROGRAM ccache)
if(NOT TAPELOOM_CCACHE_PROGRAM)
  message(STATUS "ccache not found: compiling without a cache")
  return()
endif()

# Paths inside the clone's folder and beside it (where the Microsoft STL stands)
# are hashed relative to the build folder, and the build folder itself is left
# out, so that a clone in another folder finds the same entries. The price: an
# object taken from the cache names the first clone's build folder in its debug
# information, and __FILE__ is a relative path.
get_filename_component(ccache_base ${PROJECT_SOURCE_DIR} DIRECTORY)
set(launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${ccache_base} CCACHE_NOHASHDIR=true ${TAPELOOM_CCACHE_PROGRAM})
if(CMAKE_CXX_COMPILER_FRONTEND_VARIANT STREQUAL "MSVC" AND CMAKE_HOST_UNIX)
  list(INSERT launcher 5 ${CMAKE_CURRENT_LIST_DIR}/ccache-clang-cl)
endif()
set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
# ccache cannot cache a compile that writes a program database (/Zi): the debug
# information goes into the object instead (/Z7), and the linker still makes the PDB.
if(NOT DEFINED CMAKE_MSVC_DEBUG_INFORMATION_FORMAT)
  set(CMAKE_MSVC_DEBUG_INFORMATION_FORMAT "$<$<CONFIG:Debug,RelWithDebInfo>:Embedded>")
endif()
