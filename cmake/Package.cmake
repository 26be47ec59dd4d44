# The Debian package, built by CPack from the install rules (scripts/package runs it):
# trimul_<version>_<arch>.deb.
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
# No maintainer scripts: nothing the package installs needs one (see the script).
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageWithoutLdconfig.cmake)
include(CPack)
