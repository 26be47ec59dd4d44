// One call on a manager's CORBA object, as a shell tool makes it: for tests that need a client
// of their own, one that may vanish in the middle of its call.
//   manager_call HOST:PORT create_component ARG | delete_component NAME | load_module FILE [INIT]
//                          | unload_module FILE | shutdown
// Prints "calling" (flushed) just before the call, then its result: a return code's number, or
// the new component's instance name ("nil" when there is none).
#include <rtm/idl/Manager.hh>

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
  if (argc < 3)
  {
    std::cerr << "usage: manager_call HOST:PORT OPERATION [ARGS...]\n";
    return 2;
  }
  const std::string op = argv[2];
  const char* arg1 = argc > 3 ? argv[3] : "";
  const char* arg2 = argc > 4 ? argv[4] : "";
  try
  {
    int orbArgc = 1;
    CORBA::ORB_var orb = CORBA::ORB_init(orbArgc, argv);
    CORBA::Object_var obj = orb->string_to_object((std::string("corbaloc::") + argv[1] + "/manager").c_str());
    RTM::Manager_var manager = RTM::Manager::_narrow(obj.in());
    std::cout << "calling" << std::endl;
    if (op == "create_component")
    {
      RTC::RTObject_var comp = manager->create_component(arg1);
      if (CORBA::is_nil(comp))
      {
        std::cout << "nil" << std::endl;
      }
      else
      {
        RTC::ComponentProfile_var profile = comp->get_component_profile();
        std::cout << profile->instance_name.in() << std::endl;
      }
    }
    else if (op == "delete_component")
      std::cout << manager->delete_component(arg1) << std::endl;
    else if (op == "load_module")
      std::cout << manager->load_module(arg1, arg2) << std::endl;
    else if (op == "unload_module")
      std::cout << manager->unload_module(arg1) << std::endl;
    else if (op == "shutdown")
      std::cout << manager->shutdown() << std::endl;
    else
    {
      std::cerr << "manager_call: unknown operation '" << op << "'\n";
      return 2;
    }
    orb->destroy();
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "manager_call: " << e._name() << "\n";
    return 1;
  }
  return 0;
}
