// A component observer in a process of its own, for the tests that kill or freeze an observer:
// prints "ior=IOR:..." once it serves, then one line "KIND HINT" per update_status, flushed.
#include <rtm/idl/ComponentObserver.hh>

#include <csignal>
#include <iostream>

namespace
{
  class PrintingObserver : public POA_OpenRTM::ComponentObserver
  {
  public:
    void update_status(OpenRTM::StatusKind kind, const char* hint) override
    {
      std::cout << static_cast<int>(kind) << ' ' << hint << std::endl;
    }
  };
}

int main(int argc, char** argv)
{
  const char* options[][2] = {{"endPoint", "giop:tcp:127.0.0.1:"}, {nullptr, nullptr}};
  CORBA::ORB_var orb = CORBA::ORB_init(argc, argv, "omniORB4", options);
  CORBA::Object_var obj = orb->resolve_initial_references("RootPOA");
  PortableServer::POA_var poa = PortableServer::POA::_narrow(obj);
  PortableServer::Servant_var<PrintingObserver> servant = new PrintingObserver;
  PortableServer::ObjectId_var oid = poa->activate_object(servant.in());
  CORBA::Object_var ref = poa->id_to_reference(oid.in());
  PortableServer::POAManager_var manager = poa->the_POAManager();
  manager->activate();
  CORBA::String_var ior = orb->object_to_string(ref.in());
  std::cout << "ior=" << ior.in() << std::endl;
  orb->run();
  return 0;
}
