# Dear ImGui 1.86 from Debian's source package (scripts/bootstrap unpacks it).
# One static target, built without the project's warnings; its headers are SYSTEM.
set(IMGUI_SOURCE_DIR ${CMAKE_SOURCE_DIR}/third_party/imgui CACHE PATH "Dear ImGui 1.86 sources")
if(NOT EXISTS ${IMGUI_SOURCE_DIR}/imgui.h)
  message(FATAL_ERROR "Dear ImGui not found in ${IMGUI_SOURCE_DIR}: run scripts/bootstrap")
endif()
file(STRINGS ${IMGUI_SOURCE_DIR}/imgui.h imgui_version REGEX "#define IMGUI_VERSION +\"")
if(NOT imgui_version MATCHES "\"1\\.86\"")
  message(FATAL_ERROR "Dear ImGui in ${IMGUI_SOURCE_DIR} is not 1.86: ${imgui_version}")
endif()

add_library(imgui STATIC
  ${IMGUI_SOURCE_DIR}/imgui.cpp
  ${IMGUI_SOURCE_DIR}/imgui_draw.cpp
  ${IMGUI_SOURCE_DIR}/imgui_tables.cpp
  ${IMGUI_SOURCE_DIR}/imgui_widgets.cpp)
target_include_directories(imgui SYSTEM PUBLIC ${IMGUI_SOURCE_DIR})
set_target_properties(imgui PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

# GLFW is C: for the MSVC ABI it is compiled against Wine's headers alone, as
# the stand-in sysroot is written for C++. Wine's headers lack a few names a
# Windows SDK has; they are given here, with WINVER high enough that GLFW does
# not declare what Wine's headers already do. A function, so that the flags
# reach GLFW's folder only.
function(tapeloom_add_glfw)
  # GLFW asks for CMake 3.0's policies; the runtime must still be the one
  # CMAKE_MSVC_RUNTIME_LIBRARY names, as everywhere else.
  set(CMAKE_POLICY_DEFAULT_CMP0091 NEW)
  if(TAPELOOM_MSVC_ABI)
    set(CMAKE_C_FLAGS "-fms-compatibility-version=19.44 -imsvc ${TAPELOOM_WINE_INCLUDE}/msvcrt -imsvc ${TAPELOOM_WINE_INCLUDE}/windows")
  endif()
  add_subdirectory(${TAPELOOM_GLFW_SOURCE_DIR} ${CMAKE_BINARY_DIR}/glfw EXCLUDE_FROM_ALL SYSTEM)
  if(TAPELOOM_MSVC_ABI)
    target_compile_definitions(glfw PRIVATE WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_WINNT_WINXP=0x0501
                                            _WIN32_WINNT_VISTA=0x0600 _WIN32_WINNT_WIN7=0x0601
                                            IDirectInputDevice8=IDirectInputDevice8W)
  endif()
endfunction()

# The sandbox's platform and renderer backends, built as they come like the
# library itself: GLFW for a real window, OpenGL 3 for drawing into it or into
# an offscreen framebuffer.
if((CMAKE_SYSTEM_NAME STREQUAL "Linux" OR WIN32) AND TAPELOOM_BUILD_SANDBOX)
  if(WIN32)
    # Debian builds GLFW for Linux only; the Windows builds compile the source
    # scripts/bootstrap unpacks, as a static library without its extras.
    set(TAPELOOM_GLFW_SOURCE_DIR ${CMAKE_SOURCE_DIR}/third_party/glfw CACHE PATH "GLFW 3.3 sources")
    file(STRINGS ${TAPELOOM_GLFW_SOURCE_DIR}/include/GLFW/glfw3.h glfw_minor REGEX "#define GLFW_VERSION_MINOR +[0-9]+$")
    if(NOT glfw_minor MATCHES " 3$")
      message(FATAL_ERROR "GLFW 3.3 not found in ${TAPELOOM_GLFW_SOURCE_DIR}: run scripts/bootstrap")
    endif()
    foreach(extra GLFW_BUILD_EXAMPLES GLFW_BUILD_TESTS GLFW_BUILD_DOCS GLFW_INSTALL)
      set(${extra} OFF CACHE BOOL "" FORCE)
    endforeach()
    tapeloom_add_glfw()
    set(opengl_library opengl32)
  else()
    find_package(glfw3 3.3 REQUIRED)
    set(opengl_library)
  endif()
  add_library(imgui-backends STATIC
    ${IMGUI_SOURCE_DIR}/backends/imgui_impl_glfw.cpp
    ${IMGUI_SOURCE_DIR}/backends/imgui_impl_opengl3.cpp)
  target_include_directories(imgui-backends SYSTEM PUBLIC ${IMGUI_SOURCE_DIR}/backends)
  target_link_libraries(imgui-backends PUBLIC imgui glfw ${opengl_library} ${CMAKE_DL_LIBS})
  if(TAPELOOM_MSVC_ABI)
    # Wine's headers have no OpenGL ones; mingw-w64's serve, taken alone so
    # that none of its C runtime headers stands in for Wine's.
    set(gl_include ${CMAKE_BINARY_DIR}/msvc-gl-include)
    foreach(folder GL KHR)
      file(MAKE_DIRECTORY ${gl_include})
      file(CREATE_LINK /usr/share/mingw-w64/include/${folder} ${gl_include}/${folder} SYMBOLIC)
    endforeach()
    target_include_directories(imgui-backends SYSTEM PUBLIC ${gl_include})
  endif()
  set_target_properties(imgui-backends PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  if(TAPELOOM_SANITIZE)
    # 1.86's OpenGL loader fills a 54-pointer union through its 53-entry array
    # member: inside the union's storage, but out of that array's bounds.
    set_source_files_properties(${IMGUI_SOURCE_DIR}/backends/imgui_impl_opengl3.cpp
                                PROPERTIES COMPILE_OPTIONS -fno-sanitize=bounds)
  endif()
endif()
