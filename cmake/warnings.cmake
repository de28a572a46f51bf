# Warnings for the project's own targets; third-party code is built as it comes.
# No -Wnon-virtual-dtor: the host's plug-in base has virtual slots and, by its
# layout, no virtual destructor.
function(tapeloom_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
                                           -Woverloaded-virtual)
  if(TAPELOOM_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
