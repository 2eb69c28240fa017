# Libraries found on the system, as Debian packages installed by tools/install-dependencies.sh.
find_package(CLI11 CONFIG QUIET)
if(NOT CLI11_FOUND)
  message(FATAL_ERROR "CLI11 was not found: install the Debian package libcli11-dev "
                      "(tools/install-dependencies.sh installs every package the build needs)")
endif()
