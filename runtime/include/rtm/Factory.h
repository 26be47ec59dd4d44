// The factory functions a component type registers with the manager, and the two templates that
// launchers and modules pass for them (`RTC::Create<MyComp>`, `RTC::Delete<MyComp>`).
#ifndef RTM_FACTORY_H
#define RTM_FACTORY_H

#include <rtm/RTObject.h>

namespace RTC
{
  class Manager;
  typedef RTObject_impl* (*RtcNewFunc)(Manager* manager);
  typedef void (*RtcDeleteFunc)(RTObject_impl* rtc);

  template <class T>
  RTObject_impl* Create(Manager* manager)
  {
    return new T(manager);
  }

  // T is not used: the destructor is virtual.
  template <class T>
  void Delete(RTObject_impl* rtc)
  {
    delete rtc;
  }
}

#endif
