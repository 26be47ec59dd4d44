# Run by CPack after it made the package (CPACK_POST_BUILD_SCRIPTS). CPack gives a package
# postinst and postrm scripts that run ldconfig whenever a shared object lies in a folder under
# /usr/lib. Nothing needs them: Trimul.so is a module in a folder of its own that no linker cache
# covers, rtcd and libRTC find their libraries through their run paths, and the multiarch library
# folder where libRTC and libcoil lie is one the dynamic linker searches without its cache. A
# postrm, though, leaves the package half-removed (dpkg's "rc" state) after `apt-get remove`. This
# takes them out of each .deb, which then has no maintainer script.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${deb}" "${tree}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-deb could not unpack ${deb}")
  endif()
  set(dropped FALSE)
  foreach(script postinst postrm)
    set(path "${tree}/DEBIAN/${script}")
    if(EXISTS "${path}")
      file(READ "${path}" text)
      # Only the ldconfig calls CPack writes; a script with anything else in it stays.
      string(REGEX REPLACE "#![^\n]*|set -e|if \\[[^\n]*\\]; then|ldconfig|fi|[ \t\n]" "" rest "${text}")
      if(rest STREQUAL "")
        file(REMOVE "${path}")
        set(dropped TRUE)
      endif()
    endif()
  endforeach()
  if(dropped)
    execute_process(COMMAND dpkg-deb --root-owner-group -b "${tree}" "${deb}" OUTPUT_QUIET RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "dpkg-deb could not rebuild ${deb}")
    endif()
  endif()
  file(REMOVE_RECURSE "${tree}")
endforeach()
