// A component module that needs a function no program provides: loading it must fail with the
// dynamic linker's own words, and never get as far as a call that would crash the manager.
#include <rtm/Manager.h>

extern "C"
{
  void functionThatNoProgramDefines();

  void UnresolvedInit(RTC::Manager*) { functionThatNoProgramDefines(); }
}
