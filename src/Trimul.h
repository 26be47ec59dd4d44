// Trimul: a data-flow component that publishes each sample arriving on "x1" multiplied by 2, 10
// and 100 on "y1", "y2" and "y3", and prints the three products as equations.
#ifndef TRIMUL_H
#define TRIMUL_H

#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/Manager.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/DataInPort.h>
#include <rtm/DataOutPort.h>

class Trimul : public RTC::DataFlowComponentBase
{
public:
  Trimul(RTC::Manager* manager);

  virtual RTC::ReturnCode_t onInitialize();
  virtual RTC::ReturnCode_t onActivated(RTC::UniqueId ec_id);
  virtual RTC::ReturnCode_t onDeactivated(RTC::UniqueId ec_id);
  virtual RTC::ReturnCode_t onExecute(RTC::UniqueId ec_id);
  virtual RTC::ReturnCode_t onError(RTC::UniqueId ec_id);

private:
  // Each sample precedes the port bound to it, so it exists when the port is constructed.
  RTC::TimedLong x1Sample;
  RTC::InPort<RTC::TimedLong> x1Port;
  RTC::TimedLong y1Sample;
  RTC::OutPort<RTC::TimedLong> y1Port;
  RTC::TimedLong y2Sample;
  RTC::OutPort<RTC::TimedLong> y2Port;
  RTC::TimedLong y3Sample;
  RTC::OutPort<RTC::TimedLong> y3Port;
};

RTC::RTObject_impl* createTrimul(RTC::Manager* manager);
void deleteTrimul(RTC::RTObject_impl* rtc);

extern "C"
{
  void TrimulInit(RTC::Manager* manager);
}

#endif
