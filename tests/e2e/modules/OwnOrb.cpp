// A component module linked against omniORB itself, as one built against another copy of the
// middleware is: the manager must refuse it from its list of needed libraries, before opening it,
// because a second ORB in the process aborts it.
#include <omniORB4/CORBA.h>

extern "C"
{
  void OwnOrbInit(void*)
  {
    int argc = 0;
    CORBA::ORB_init(argc, nullptr, "omniORB4");
  }
}
