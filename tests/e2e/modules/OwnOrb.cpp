// A component module linked against an ORB of another soname, as one built against another copy
// of the middleware is: the manager must refuse it from its list of needed libraries, before
// opening it, because a second ORB in the process aborts it. The same file, with OTHER_ORB, is
// that other ORB: a library of its own, named as omniORB of another version.
#ifdef OTHER_ORB
extern "C"
{
  int otherOrbInit() { return 1; }
}
#else
extern "C"
{
  int otherOrbInit();
  void OwnOrbInit(void*) { otherOrbInit(); }
}
#endif
