// Activates a component in its own (owned) execution context over CORBA, as a tool would, so a
// host like TrimulComp can be measured while its component is active.
//   rtc_activate NSPORT INSTANCE       exit status 0 once activation was accepted
#include "BenchNaming.h"

#include <rtm/idl/RTC.hh>

#include <iostream>

int main(int argc, char** argv)
{
  if (argc != 3)
  {
    std::cerr << "usage: rtc_activate NSPORT INSTANCE\n";
    return 2;
  }
  const int nsPort = static_cast<int>(bench::argNumber(argv[1], "NSPORT"));
  const std::string path = bench::componentPath(argv[2]);
  try
  {
    CORBA::ORB_var orb = bench::initLoopbackOrb(argv[0]);
    CosNaming::NamingContextExt_var root = bench::namingRoot(orb, nsPort);
    CORBA::Object_var obj = bench::waitFor(root, path, 20.0);
    RTC::RTObject_var rtc = RTC::RTObject::_narrow(obj);
    if (CORBA::is_nil(rtc))
    {
      std::cerr << "rtc_activate: no component at " << path << "\n";
      return 1;
    }
    RTC::ExecutionContextList_var owned = rtc->get_owned_contexts();
    if (owned->length() == 0)
    {
      std::cerr << "rtc_activate: " << path << " owns no execution context\n";
      return 1;
    }
    const RTC::ReturnCode_t rc = owned[0]->activate_component(rtc.in());
    orb->destroy();
    if (rc != RTC::RTC_OK)
    {
      std::cerr << "rtc_activate: activation of " << path << " refused (code " << rc << ")\n";
      return 1;
    }
    return 0;
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "rtc_activate: " << e._name() << " while activating " << path << "\n";
    return 1;
  }
}
