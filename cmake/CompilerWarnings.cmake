# Warnings for the project's own code, per compiler; third-party code gets none.
add_library(quorvane_warnings INTERFACE)
if(MSVC)
  # /utf-8: the sources are UTF-8 whatever the machine's code page.
  target_compile_options(quorvane_warnings INTERFACE /W4 /utf-8 /permissive-)
else()
  target_compile_options(quorvane_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                         -Wno-sign-conversion)
endif()

# Silences every warning of a third-party target.
function(quorvane_no_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /w)
  else()
    target_compile_options(${target} PRIVATE -w)
  endif()
endfunction()
