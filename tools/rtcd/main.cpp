// rtcd: the manager daemon. A manager with no component of its own: it loads the component
// modules that rtc.conf names (manager.modules.preload) or that tools ask for through its CORBA
// object, and creates the instances asked for (manager.components.precreate, create_component),
// until it is shut down (SIGINT, SIGTERM, or shutdown() on its object).
#include <rtm/Manager.h>
#include <rtm/detail/ModuleTypeHelper.h>

int main(int argc, char** argv)
{
  // Another manager asking, in a process of its own, which types a module registers.
  if (rtm::isModuleTypeHelperCall(argc, argv))
    rtm::runModuleTypeHelper(argc, argv);
  RTC::Manager* manager = RTC::Manager::init(argc, argv);
  manager->activateManager();
  manager->runManager(false);
  return 0;
}
