// TrimulComp: runs one Trimul component in this process until the manager shuts down.
#include "Trimul.h"

#include <cstdlib>
#include <iostream>

void moduleInit(RTC::Manager* manager)
{
  TrimulInit(manager);
  RTC::RTObject_impl* comp = manager->createComponent("Trimul");
  if (comp == nullptr)
  {
    std::cerr << "Component create failed." << std::endl;
    abort();
  }
}

int main(int argc, char** argv)
{
  RTC::Manager* manager = RTC::Manager::init(argc, argv);
  // A second init returns the same manager and changes nothing.
  RTC::Manager::init(argc, argv);
  manager->setModuleInitProc(moduleInit);
  manager->activateManager();
  manager->runManager(false);
  return 0;
}
