// The factory functions a component type registers with the manager.
#ifndef RTM_FACTORY_H
#define RTM_FACTORY_H

namespace RTC
{
  class Manager;
  class RTObject_impl;
  typedef RTObject_impl* (*RtcNewFunc)(Manager* manager);
  typedef void (*RtcDeleteFunc)(RTObject_impl* rtc);
}

#endif
