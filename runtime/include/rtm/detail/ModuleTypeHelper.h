// rtcd's hidden mode `rtcd --module-types PATH`: loads the module at PATH into a manager that
// serves nothing (no ORB endpoint open to others, no naming, no manager object), prints the
// profile of each component type its init function registers, and ends the process. Managers
// start it to learn what a module on their load path provides without loading it themselves.
#ifndef RTM_DETAIL_MODULETYPEHELPER_H
#define RTM_DETAIL_MODULETYPEHELPER_H

namespace rtm
{
  // Whether argv asks for that mode.
  bool isModuleTypeHelperCall(int argc, char** argv);
  // Never returns: exit status 0 with the report on standard output, 3 when the module does not
  // load (the reason on standard error), 2 for a wrong command line.
  [[noreturn]] void runModuleTypeHelper(int argc, char** argv);
}

#endif
