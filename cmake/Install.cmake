# What `cmake --install` puts under the prefix, and so what the Debian package carries: the
# programs, the runtime's shared libraries, the example configuration files, the READMEs and the
# manual pages. The installed programs need nothing from the source or build tree (the web view's
# files are built into rtctl). Targets that other parts of the build may or may not
# define (the manager daemon, the loadable component module) are installed where they exist.
# Debian keeps a package's documents under its package name, which is lower case.
set(CMAKE_INSTALL_DOCDIR share/doc/trimul CACHE PATH "Documentation (README, examples)")
include(GNUInstallDirs)
# Everything belongs to the runtime package unless it says otherwise (the SDK's files say sdk).
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME runtime)

set(trimul_programs)
foreach(program TrimulComp rtctl rtcd)
  if(TARGET ${program})
    list(APPEND trimul_programs ${program})
  endif()
endforeach()
install(TARGETS ${trimul_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# libRTC and libcoil under the middleware's file names, with the plain names users link with. The
# programs and modules find them relative to where they stand, so that an installed tree may move
# (an unpacked package, a prefix of one's own); under /usr the system's own search finds them too.
install(TARGETS rtm_shared coil LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The plain names are for linking only, so they go with the SDK, as Debian's -dev packages have them.
install(FILES $<TARGET_FILE_DIR:rtm_shared>/libRTC.so $<TARGET_FILE_DIR:coil>/libcoil.so DESTINATION ${CMAKE_INSTALL_LIBDIR}
        COMPONENT sdk)
# Only rtcd links them; the other programs carry the static runtime.
if(TARGET rtcd)
  set_target_properties(rtcd PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endif()
set_target_properties(rtm_shared PROPERTIES INSTALL_RPATH "$ORIGIN")
# What users build their own components with, against those libraries.
include(${CMAKE_CURRENT_LIST_DIR}/Sdk.cmake)

# The module a manager loads by file name (Trimul.so), in a folder of its own so that a
# manager's module search path can name it without taking in the rest of the library folder.
if(TARGET Trimul)
  install(TARGETS Trimul LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/trimul)
  set_target_properties(Trimul PROPERTIES INSTALL_RPATH "$ORIGIN/..")
endif()
# OpenSSL, which the programs load from there when TLS is configured (runtime/CMakeLists.txt):
# found relative to the program, so that the installed tree may move.
if(TARGET rtm_tls)
  install(TARGETS rtm_tls LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/trimul)
  file(RELATIVE_PATH tls_from_program ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/trimul/librtm_tls.so)
  set_property(SOURCE ${PROJECT_SOURCE_DIR}/runtime/src/manager/TlsLoader.cpp DIRECTORY ${PROJECT_SOURCE_DIR}/runtime
               APPEND PROPERTY COMPILE_DEFINITIONS RTM_TLS_LIBRARY_FROM_PROGRAM="${tls_from_program}")
endif()

# What the install rules need built, and no more: `scripts/package` builds this target and then
# runs CPack, which would otherwise build every test and benchmark first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
add_custom_target(installables DEPENDS ${trimul_programs} rtm_shared coil)
foreach(library Trimul rtm_tls)
  if(TARGET ${library})
    add_dependencies(installables ${library})
  endif()
endforeach()

if(EXISTS ${PROJECT_SOURCE_DIR}/rtc.conf.example)
  install(FILES ${PROJECT_SOURCE_DIR}/rtc.conf.example DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()
# The daemon's example is written when the install runs, naming the module folder under the
# prefix of that install (cmake --install --prefix, or /usr when CPack builds the package).
if(EXISTS ${PROJECT_SOURCE_DIR}/rtcd.conf.example)
  set(installed_example ${PROJECT_BINARY_DIR}/examples/rtcd.conf.example)
  install(CODE "set(TRIMUL_EXAMPLE_SOURCE \"${PROJECT_SOURCE_DIR}/rtcd.conf.example\")
set(TRIMUL_EXAMPLE_OUTPUT \"${installed_example}\")
set(TRIMUL_MODULE_SUBDIR \"${CMAKE_INSTALL_LIBDIR}/trimul\")")
  install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/InstalledExample.cmake)
  install(FILES ${installed_example} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(EXISTS ${PROJECT_SOURCE_DIR}/tools/rtctl/README.md)
  install(FILES tools/rtctl/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME rtctl.md)
endif()

# Manual pages, made by help2man from each program's own --help and --version, so that they
# say what the program says. docs/man/PROGRAM.h2m adds what a help text does not carry.
# Only programs on the bundled runtime are known to answer --help and --version without starting.
if(NOT TRIMUL_RTM STREQUAL "bundled")
  return()
endif()
find_program(HELP2MAN help2man)
if(NOT HELP2MAN)
  message(WARNING "help2man not found: no manual pages are built or installed (scripts/setup installs it)")
  return()
endif()
set(trimul_man_pages)
foreach(program ${trimul_programs})
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  set(include_file ${PROJECT_SOURCE_DIR}/docs/man/${program}.h2m)
  set(options --no-info --no-discard-stderr --output=${page})
  set(depends ${program})
  if(EXISTS ${include_file})
    list(APPEND options --include=${include_file})
    list(APPEND depends ${include_file})
  endif()
  if(program STREQUAL "rtctl")
    # One page for the whole tool: the overview and every command's own help.
    list(APPEND options --help-option=--help-all)
  elseif(NOT program STREQUAL "TrimulComp")
    # The version is the project's in any case; a program need not answer --version for it.
    list(APPEND options --version-string=${PROJECT_VERSION})
  endif()
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${HELP2MAN} ${options} $<TARGET_FILE:${program}>
    # -n: no time stamp inside, so that two builds of one source make the same package.
    COMMAND gzip -9nf ${page}
    DEPENDS ${depends}
    COMMENT "Manual page ${program}.1"
    VERBATIM)
  list(APPEND trimul_man_pages ${page}.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${trimul_man_pages})
add_dependencies(installables man_pages)
install(FILES ${trimul_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
