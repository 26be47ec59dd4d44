// Waits until a component-shaped name is bound in the naming service, so the benchmark script
// measures a server only once it is up.
//   name_wait NSPORT INSTANCE [TIMEOUT_S]     exit status 0 once bound, 1 on timeout
#include "BenchNaming.h"

#include <iostream>

int main(int argc, char** argv)
{
  if (argc < 3 || argc > 4)
  {
    std::cerr << "usage: name_wait NSPORT INSTANCE [TIMEOUT_S]\n";
    return 2;
  }
  const int nsPort = static_cast<int>(bench::argNumber(argv[1], "NSPORT"));
  const long timeout = argc == 4 ? bench::argNumber(argv[3], "TIMEOUT_S") : 20;
  const std::string path = bench::componentPath(argv[2]);
  try
  {
    CORBA::ORB_var orb = bench::initLoopbackOrb(argv[0]);
    CosNaming::NamingContextExt_var root = bench::namingRoot(orb, nsPort);
    CORBA::Object_var obj = bench::waitFor(root, path, double(timeout));
    const bool bound = !CORBA::is_nil(obj);
    if (!bound)
      std::cerr << "name_wait: " << path << " not bound after " << timeout << " s\n";
    orb->destroy();
    return bound ? 0 : 1;
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "name_wait: " << e._name() << " talking to the naming service on 127.0.0.1:" << nsPort << "\n";
    return 1;
  }
}
