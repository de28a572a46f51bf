# Warnings for the project's own targets; third-party code is built as it comes.
# Each compiler gets them in its own terms: cl.exe would read -Wall as /Wall and
# ignore -Werror, clang-cl would read -Wall as -Weverything.
function(tapeloom_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
    if(TAPELOOM_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    # No -Wnon-virtual-dtor: the host's plug-in base has virtual slots and, by
    # its layout, no virtual destructor.
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
                                             -Woverloaded-virtual)
    if(TAPELOOM_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
  if(WIN32)
    # Every source that includes <windows.h> gets these, so none has to say so first.
    target_compile_definitions(${target} PRIVATE NOMINMAX WIN32_LEAN_AND_MEAN)
  endif()
endfunction()
