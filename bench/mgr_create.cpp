// Remote creation, as a tool does it: create_component on a manager's object until the new
// instance's name resolves in the naming service; then delete_component, which returns once the
// instance is gone. Trimul allows one instance, so each run deletes before the next creates.
//   mgr_create NSPORT MANAGER_ADDRESS RUNS
// Prints "create_us=<median> delete_us=<median>".
#include "BenchNaming.h"

#include <rtm/idl/Manager.hh>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>
#include <vector>

namespace
{
  using Clock = std::chrono::steady_clock;

  double median(std::vector<double> values)
  {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  }

  double micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

  // The manager answers once it is up; a freshly started daemon may need a moment.
  bool reachable(RTM::Manager_ptr manager)
  {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline)
    {
      try
      {
        if (!manager->_non_existent())
          return true;
      }
      catch (const CORBA::Exception&)
      {}
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
}

int main(int argc, char** argv)
{
  if (argc != 4)
  {
    std::cerr << "usage: mgr_create NSPORT MANAGER_ADDRESS RUNS\n";
    return 2;
  }
  const int nsPort = static_cast<int>(bench::argNumber(argv[1], "NSPORT"));
  const long runs = bench::argNumber(argv[3], "RUNS");
  try
  {
    CORBA::ORB_var orb = bench::initLoopbackOrb(argv[0]);
    CosNaming::NamingContextExt_var root = bench::namingRoot(orb, nsPort);
    CORBA::Object_var obj = orb->string_to_object((std::string("corbaloc::") + argv[2] + "/manager").c_str());
    RTM::Manager_var manager = RTM::Manager::_unchecked_narrow(obj.in());
    if (!reachable(manager))
    {
      std::cerr << "mgr_create: no manager answers at " << argv[2] << "\n";
      return 1;
    }
    std::vector<double> creates, deletes;
    for (long i = 0; i < runs; ++i)
    {
      const std::string instance = "Bench" + std::to_string(i);
      const std::string path = bench::componentPath(instance);
      const auto t0 = Clock::now();
      RTC::RTObject_var comp = manager->create_component(("Trimul?instance_name=" + instance).c_str());
      if (CORBA::is_nil(comp))
      {
        std::cerr << "mgr_create: create_component(Trimul) failed\n";
        return 1;
      }
      CORBA::Object_var bound = bench::waitFor(root, path, 10.0);
      const auto t1 = Clock::now();
      if (CORBA::is_nil(bound) || manager->delete_component(instance.c_str()) != RTC::RTC_OK)
      {
        std::cerr << "mgr_create: " << instance << " was not bound, or not deleted\n";
        return 1;
      }
      const auto t2 = Clock::now();
      creates.push_back(micros(t1 - t0));
      deletes.push_back(micros(t2 - t1));
    }
    std::cout << "create_us=" << median(creates) << " delete_us=" << median(deletes) << std::endl;
    orb->destroy();
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "mgr_create: " << e._name() << "\n";
    return 1;
  }
  return 0;
}
