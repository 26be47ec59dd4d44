# What shortens a build from nothing, kept where a cold build of the demo's targets (compiler
# cache off, user + sys seconds) showed it: every translation unit of the runtime and of rtctl
# parses the ORB's headers and the IDL stubs' (tens of thousands of lines) before a line of its
# own, and the web view's also cpp-httplib's and nlohmann-json's; and each then compiles again the
# same inline functions and templates of those headers, and their debug information.
option(TRIMUL_PRECOMPILE_HEADERS "Precompile the ORB's and the IDL stubs' headers" ON)
option(TRIMUL_UNITY_BUILD "Compile the runtime's and rtctl's sources 32 files a unit" ON)
if(NOT TRIMUL_RTM STREQUAL "bundled")
  return()
endif()

# 32 files a unit: each library is then one to three units, compiled side by side with the others
# (below) on both cores, and a change to one file recompiles its unit (some 15 s; who edits one
# file over and over may prefer -DTRIMUL_UNITY_BUILD=OFF). A file whose file-level names
# (anonymous namespace, static) repeat another's of the same library compiles alone, whatever unit
# the other falls in as files come and go: ModulePath (ModuleManager's helpers), OutPortBase
# (InPortBase's), PeriodicTimer (PeriodicExecutionContext's), ObserverSettings (Logger's),
# ValueText (PortConnector's), PlotFeed (LiveView's). A unit's files count as headers to GCC,
# which then takes their anonymous-namespace types in members for a fault.
if(TRIMUL_UNITY_BUILD)
  set_target_properties(rtm rtctl_core rtctl_web PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 32)
  set_source_files_properties(${PROJECT_SOURCE_DIR}/runtime/src/manager/ModulePath.cpp
                              ${PROJECT_SOURCE_DIR}/runtime/src/port/OutPortBase.cpp
                              ${PROJECT_SOURCE_DIR}/runtime/src/ec/PeriodicTimer.cpp
                              ${PROJECT_SOURCE_DIR}/runtime/src/sdo/ObserverSettings.cpp TARGET_DIRECTORY rtm
                              PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  set_source_files_properties(${PROJECT_SOURCE_DIR}/tools/rtctl/client/ValueText.cpp TARGET_DIRECTORY rtctl_core
                              PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  set_source_files_properties(${PROJECT_SOURCE_DIR}/tools/rtctl/web/PlotFeed.cpp TARGET_DIRECTORY rtctl_web
                              PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  target_compile_options(rtm PRIVATE -Wno-subobject-linkage)
  target_compile_options(rtctl_core PRIVATE -Wno-subobject-linkage)
endif()

# A static library needs of the libraries it uses only their generated headers (the stubs'), not
# their archives: without waiting for each other the three compile side by side on both cores.
set_target_properties(rtm rtctl_core rtctl_web PROPERTIES OPTIMIZE_DEPENDENCIES ON)

if(NOT TRIMUL_PRECOMPILE_HEADERS)
  return()
endif()
# One precompiled ORB header, made with the IDL stubs (whose flags have no definitions of their
# own) and taken by the runtime and by rtctl's client library: GCC takes it only where the
# position-independence setting matches, hence rtctl's library built as the runtime is. The web
# view has none: in its few units cpp-httplib's and nlohmann-json's headers cost less to parse
# than to precompile.
target_precompile_headers(rtm_idl PRIVATE <omniORB4/CORBA.h> <rtm/idl/BasicDataType.hh> <rtm/idl/DataPort.hh>
                                          <rtm/idl/RTC.hh> <rtm/idl/OpenRTM.hh> <rtm/idl/Manager.hh>)
target_precompile_headers(rtm REUSE_FROM rtm_idl)
target_precompile_headers(rtctl_core REUSE_FROM rtm_idl)
set_target_properties(rtctl_core PROPERTIES POSITION_INDEPENDENT_CODE ON)
