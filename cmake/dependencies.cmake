# Libraries found on the system, as Debian packages installed by tools/install-dependencies.sh.
if(CMAKE_CROSSCOMPILING)
  # CLI11 is headers only: the build machine's copy serves every target. Its folder is reached
  # through a link of its own, so that no other header of the build machine comes along.
  find_path(CLI11_HOST_INCLUDE CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
  if(NOT CLI11_HOST_INCLUDE)
    message(FATAL_ERROR "CLI11 was not found: install the Debian package libcli11-dev "
                        "(tools/install-dependencies.sh installs every package the build needs)")
  endif()
  set(cli11Headers ${CMAKE_BINARY_DIR}/hostHeaders)
  file(MAKE_DIRECTORY ${cli11Headers})
  file(CREATE_LINK ${CLI11_HOST_INCLUDE}/CLI ${cli11Headers}/CLI SYMBOLIC)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${cli11Headers})
else()
  find_package(CLI11 CONFIG QUIET)
  if(NOT CLI11_FOUND)
    message(FATAL_ERROR "CLI11 was not found: install the Debian package libcli11-dev "
                        "(tools/install-dependencies.sh installs every package the build needs)")
  endif()
endif()
