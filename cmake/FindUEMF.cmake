# libUEMF (Debian's libuemf-dev) ships no pkg-config or CMake package file.
# Provides the imported target UEMF::UEMF.
find_path(UEMF_INCLUDE_DIR uemf.h)
find_library(UEMF_LIBRARY uemf)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(UEMF REQUIRED_VARS UEMF_LIBRARY UEMF_INCLUDE_DIR)
if(UEMF_FOUND AND NOT TARGET UEMF::UEMF)
  add_library(UEMF::UEMF UNKNOWN IMPORTED)
  # A system include: its headers are C and not written for -Wall -Wextra.
  set_target_properties(UEMF::UEMF PROPERTIES
    IMPORTED_LOCATION "${UEMF_LIBRARY}"
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${UEMF_INCLUDE_DIR}"
    INTERFACE_INCLUDE_DIRECTORIES "${UEMF_INCLUDE_DIR}")
endif()
mark_as_advanced(UEMF_INCLUDE_DIR UEMF_LIBRARY)
