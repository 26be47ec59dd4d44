# What shortens a build from nothing, kept where a cold build of the demo's targets (compiler
# cache off, user + sys seconds) showed it: every translation unit of the runtime and of rtctl
# parses the ORB's headers and the IDL stubs' (tens of thousands of lines) before a line of its
# own, and the web view's also cpp-httplib's and nlohmann-json's.
option(TRIMUL_PRECOMPILE_HEADERS "Precompile the ORB's, the IDL stubs' and the web view's headers" ON)
if(NOT TRIMUL_PRECOMPILE_HEADERS OR NOT TRIMUL_RTM STREQUAL "bundled")
  return()
endif()

set(trimul_orb_headers <omniORB4/CORBA.h> <rtm/idl/BasicDataType.hh> <rtm/idl/DataPort.hh>
                       <rtm/idl/RTC.hh> <rtm/idl/OpenRTM.hh> <rtm/idl/Manager.hh>)
set(trimul_pch_targets)
foreach(target rtm rtctl_core)
  if(TARGET ${target})
    target_precompile_headers(${target} PRIVATE ${trimul_orb_headers})
    list(APPEND trimul_pch_targets ${target})
  endif()
endforeach()
if(TARGET rtctl_web)
  target_precompile_headers(rtctl_web PRIVATE ${trimul_orb_headers} <httplib.h> <nlohmann/json.hpp>)
  list(APPEND trimul_pch_targets rtctl_web)
endif()

