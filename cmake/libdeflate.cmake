# libdeflate::libdeflate, found through pkg-config or, without it, by its header and library.
if(TARGET libdeflate::libdeflate)
  return()
endif()
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(LIBDEFLATE QUIET IMPORTED_TARGET GLOBAL libdeflate)
endif()
if(LIBDEFLATE_FOUND)
  add_library(libdeflate::libdeflate ALIAS PkgConfig::LIBDEFLATE)
else()
  find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h)
  find_library(LIBDEFLATE_LIBRARY deflate)
  if(NOT LIBDEFLATE_INCLUDE_DIR OR NOT LIBDEFLATE_LIBRARY)
    message(FATAL_ERROR "libdeflate not found: install the Debian package libdeflate-dev "
                        "(tools/install-dependencies.sh installs it)")
  endif()
  add_library(libdeflate::libdeflate UNKNOWN IMPORTED GLOBAL)
  set_target_properties(libdeflate::libdeflate PROPERTIES
    IMPORTED_LOCATION "${LIBDEFLATE_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${LIBDEFLATE_INCLUDE_DIR}")
endif()
