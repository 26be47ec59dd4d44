# Module mode (CMAKE_MODULE_PATH naming this folder): OpenRTM-aist found through pkg-config, with
# plain lists (folders, library names) rather than the flag lists of OpenRTMConfig.cmake.
#   OPENRTM_FOUND OPENRTM_DIR OPENRTM_VERSION(_MAJOR/_MINOR/_PATCH) OPENRTM_INCLUDE_DIRS
#   OPENRTM_LIBRARY_DIRS OPENRTM_LIBRARIES OPENRTM_CFLAGS OPENRTM_LDFLAGS OMNIORB_INCLUDE_DIRS
#   OMNIORB_LIBRARY_DIRS OMNIORB_LIBRARIES OPENRTM_IDLC OPENRTM_IDLFLAGS OPENRTM_IDL_WRAPPER
#   OPENRTM_IDL_WRAPPER_FLAGS
find_package(PkgConfig REQUIRED)
pkg_check_modules(OMNIORB QUIET omniORB4)
pkg_check_modules(OPENRTM QUIET openrtm-aist)
if(OPENRTM_FOUND)
  pkg_get_variable(OPENRTM_DIR openrtm-aist prefix)
  pkg_get_variable(OPENRTM_IDLC openrtm-aist rtm_idlc)
  pkg_get_variable(_openrtm_idlflags openrtm-aist rtm_idlflags)
  separate_arguments(OPENRTM_IDLFLAGS UNIX_COMMAND "${_openrtm_idlflags}")
  string(REPLACE "." ";" _openrtm_parts "${OPENRTM_VERSION}")
  list(GET _openrtm_parts 0 OPENRTM_VERSION_MAJOR)
  list(GET _openrtm_parts 1 OPENRTM_VERSION_MINOR)
  list(GET _openrtm_parts 2 OPENRTM_VERSION_PATCH)
  set(OPENRTM_CFLAGS ${OPENRTM_CFLAGS_OTHER})
  set(OPENRTM_LDFLAGS ${OPENRTM_LDFLAGS_OTHER})
  find_program(OPENRTM_IDL_WRAPPER rtm-skelwrapper HINTS ${OPENRTM_DIR}/bin)
  set(OPENRTM_IDL_WRAPPER_FLAGS --include-dir= --skel-suffix=Skel --stub-suffix=Stub)
endif()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(OpenRTM REQUIRED_VARS OPENRTM_DIR OPENRTM_LIBRARIES VERSION_VAR OPENRTM_VERSION)
