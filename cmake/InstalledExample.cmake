# Run at install time (install(SCRIPT)), when the prefix of this install is known: writes the
# example rtcd.conf with its module search path set to the installed module folder, so that a
# copy of the installed example finds Trimul.so as it stands. The checkout's copy keeps its own
# path for running from the tree. Set before: TRIMUL_EXAMPLE_SOURCE, TRIMUL_EXAMPLE_OUTPUT,
# TRIMUL_MODULE_SUBDIR (relative to the prefix, or absolute).
if(IS_ABSOLUTE "${TRIMUL_MODULE_SUBDIR}")
  set(module_dir "${TRIMUL_MODULE_SUBDIR}")
else()
  set(module_dir "${CMAKE_INSTALL_PREFIX}/${TRIMUL_MODULE_SUBDIR}")
endif()
file(READ "${TRIMUL_EXAMPLE_SOURCE}" text)
string(REGEX REPLACE "(^|\n)manager\\.modules\\.load_path:[^\n]*" "\\1manager.modules.load_path: ${module_dir}"
       installed "${text}")
if(installed STREQUAL text)
  message(FATAL_ERROR "${TRIMUL_EXAMPLE_SOURCE} sets no manager.modules.load_path to point at ${module_dir}")
endif()
file(WRITE "${TRIMUL_EXAMPLE_OUTPUT}" "${installed}")
