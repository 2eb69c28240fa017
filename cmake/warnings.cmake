# Warnings for every target of the project; -Werror behind an option that CI turns on.
option(WERROR "Treat warnings as errors" OFF)
function(setProjectWarnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wsign-conversion)
  if(WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

