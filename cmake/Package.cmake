# The Debian packages, built by CPack from the install rules (scripts/package runs it):
# trimul_<version>_<arch>.deb, the programs and the runtime's libraries (install component
# runtime), and trimul-dev_<version>_<arch>.deb beside it, the SDK (component sdk).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trimul)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Trimul developers <trimul@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Trimul RT-component (x2, x10, x100), rtcd and the rtctl client")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The Trimul data-flow RT-component for the OpenRTM-aist 1.1 middleware,
run by TrimulComp: every TimedLong arriving on its input x1 is published
multiplied by 2, 10 and 100 on y1, y2 and y3. Also the component as a module,
Trimul.so, and rtcd, a manager daemon that loads it. The package carries its own
runtime of the middleware's C++ API over omniORB 4.2, and rtctl, a command-line
client that lists, connects, activates, feeds, saves and draws RT-components.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debian's tools strip the programs of a package; so does this one (the debug sections are most
# of a program's size).
set(CPACK_STRIP_FILES ON)
# The libraries the programs link are found by dpkg-shlibdeps from the programs themselves:
# libc, libstdc++ and Debian's omniORB; the runtime's own (libRTC, libcoil) are in the package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Components register in a naming service; the usual one is omniNames. rtctl draws systems (system
# graph -o, serve's page) with Graphviz's dot.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "omniorb-nameserver, graphviz")
# The SDK: headers, pkg-config files, CMake files, rtm-config, rtm-skelwrapper and the IDL files,
# for exactly the runtime of the same build, and what building against them takes.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime sdk)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME trimul)
set(CPACK_DEBIAN_SDK_PACKAGE_NAME trimul-dev)
set(CPACK_DEBIAN_SDK_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_SDK_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_SDK_PACKAGE_DEPENDS
    "trimul (= ${PROJECT_VERSION}), libomniorb4-dev, omniidl, pkgconf, uuid-dev, python3, g++")
set(CPACK_COMPONENT_SDK_DESCRIPTION
    "Trimul's OpenRTM-aist 1.1 SDK: build your own RT-components against it
Headers at the OpenRTM-aist 1.1 places, openrtm-aist.pc and libcoil.pc,
rtm-config, rtm-skelwrapper, OpenRTMConfig.cmake and the IDL files, for
components and modules of your own that run on Trimul's runtime (libRTC,
libcoil) and load into its rtcd.")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
# No maintainer scripts: nothing the package installs needs one (see the script).
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageWithoutLdconfig.cmake)
include(CPack)
