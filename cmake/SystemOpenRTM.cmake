# Building against an installed OpenRTM-aist 1.1 instead of the bundled runtime:
#   cmake -S . -B build-system -DTRIMUL_RTM=system
# The middleware ships a pkg-config file, openrtm-aist.pc; point PKG_CONFIG_PATH at its folder
# when it is not installed under a standard prefix. Only the component and its launcher are
# built this way: the tools, tests and benchmarks need the bundled runtime.
pkg_check_modules(OPENRTM REQUIRED IMPORTED_TARGET openrtm-aist)
set(TRIMUL_RTM_TARGET PkgConfig::OPENRTM)

# Its pkg-config output carries no run path: record the library folder so that the program
# starts without LD_LIBRARY_PATH.
pkg_get_variable(OPENRTM_LIBDIR openrtm-aist libdir)
if(OPENRTM_LIBDIR)
  set(CMAKE_BUILD_RPATH ${OPENRTM_LIBDIR})
  set(CMAKE_INSTALL_RPATH ${OPENRTM_LIBDIR})
endif()
foreach(dir ${OPENRTM_LIBRARY_DIRS})
  list(APPEND CMAKE_BUILD_RPATH ${dir})
  list(APPEND CMAKE_INSTALL_RPATH ${dir})
endforeach()
