# The SDK: what a user needs to build components of their own against the installed runtime, at
# the middleware's places (api-facts §7): headers under include/openrtm-1.1 and include/coil-1.1,
# the generated IDL headers and the IDL files under include/openrtm-1.1/rtm/idl, openrtm-aist.pc
# and libcoil.pc, rtm-config, rtm-skelwrapper, and OpenRTMConfig.cmake with FindOpenRTM.cmake under
# <libdir>/openrtm-1.1/cmake. Our libdir is GNUInstallDirs' (lib, or the multiarch
# lib/x86_64-linux-gnu when configured for /usr), where the middleware has lib. Included by
# Install.cmake, after GNUInstallDirs.
if(NOT TARGET rtm_shared)
  return()
endif()
set(sdk_source ${PROJECT_SOURCE_DIR}/runtime/sdk)
set(sdk_include ${CMAKE_INSTALL_INCLUDEDIR}/openrtm-1.1)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/runtime/include/rtm DESTINATION ${sdk_include} COMPONENT sdk)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/runtime/include/coil DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/coil-1.1
        COMPONENT sdk)
install(DIRECTORY ${PROJECT_BINARY_DIR}/runtime/generated/rtm/idl/ DESTINATION ${sdk_include}/rtm/idl COMPONENT sdk
        FILES_MATCHING PATTERN "*.hh")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/runtime/idl/ DESTINATION ${sdk_include}/rtm/idl COMPONENT sdk
        FILES_MATCHING PATTERN "*.idl")

# The flags the middleware's build hands its users, and how omniidl is run for their IDL.
set(SDK_CXXFLAGS "-Wall -fPIC -std=gnu++11 -O2")
set(SDK_IDLFLAGS "-bcxx -Wba -nf -Wbuse_quotes")
# The files that name the prefix are written when the install runs, for the prefix of that install
# (cmake --install --prefix, or /usr when CPack builds the package).
set(sdk_out ${PROJECT_BINARY_DIR}/sdk)
install(CODE "set(SDK_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
set(SDK_LIBDIR \"\\\${prefix}/${CMAKE_INSTALL_LIBDIR}\")
set(SDK_LIBDIR_RELATIVE \"${CMAKE_INSTALL_LIBDIR}\")
set(SDK_VERSION 1.1.2)
set(SDK_CXXFLAGS \"${SDK_CXXFLAGS}\")
set(SDK_IDLC \"${OMNIIDL}\")
set(SDK_IDLFLAGS \"${SDK_IDLFLAGS}\")
foreach(file openrtm-aist.pc libcoil.pc rtm-config)
  configure_file(\"${sdk_source}/\${file}.in\" \"${sdk_out}/\${file}\" @ONLY)
endforeach()" COMPONENT sdk)
install(FILES ${sdk_out}/openrtm-aist.pc ${sdk_out}/libcoil.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT sdk)
install(PROGRAMS ${sdk_out}/rtm-config ${sdk_source}/rtm-skelwrapper DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT sdk)

# OpenRTMConfig.cmake finds the prefix from where it stands, so it is written now.
set(sdk_cmake_dir ${CMAKE_INSTALL_LIBDIR}/openrtm-1.1/cmake)
file(RELATIVE_PATH SDK_CMAKE_TO_PREFIX /prefix/${sdk_cmake_dir} /prefix)
set(SDK_LIBDIR_RELATIVE ${CMAKE_INSTALL_LIBDIR})
set(SDK_VERSION 1.1.2)
string(REPLACE " " ";" SDK_CXXFLAGS_LIST "${SDK_CXXFLAGS}")
string(REPLACE " " ";" SDK_IDLFLAGS_LIST "${SDK_IDLFLAGS}")
set(SDK_IDLC ${OMNIIDL})
configure_file(${sdk_source}/OpenRTMConfig.cmake.in ${sdk_out}/OpenRTMConfig.cmake @ONLY)
install(FILES ${sdk_out}/OpenRTMConfig.cmake ${sdk_source}/FindOpenRTM.cmake DESTINATION ${sdk_cmake_dir}
        COMPONENT sdk)
