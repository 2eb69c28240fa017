# Warnings for every target of the project; -Werror behind an option that CI turns on.
option(WERROR "Treat warnings as errors" OFF)
function(setProjectWarnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wsign-conversion)
  if(WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# The converter's code, and the tests and benchmarks built on it, do not build clean under
# -Wconversion and -Wsign-conversion yet: their targets leave those two out.
function(withoutConversionWarnings)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE -Wno-conversion -Wno-sign-conversion)
  endforeach()
endfunction()
