#include "Trimul.h"

#include <iostream>

// A profile table keeps its hand layout.
// clang-format off
static const char* trimul_profile_text[] =
{
  "implementation_id", "Trimul",
  "type_name",         "Trimul",
  "description",       "ModuleDescription",
  "version",           "1.0.0",
  "vendor",            "Karvo",
  "category",          "Category",
  "activity_type",     "PERIODIC",
  "kind",              "DataFlowComponent",
  "max_instance",      "1",
  "language",          "C++",
  "lang_type",         "compile",
  ""
};
// clang-format on

namespace
{
  // The product in 32-bit two's complement: computed unsigned, where wrapping is defined, and
  // read back as signed.
  CORBA::Long wrappingProduct(CORBA::Long x, CORBA::ULong factor)
  {
    const CORBA::ULong product = static_cast<CORBA::ULong>(x) * factor;
    if (product <= 0x7fffffffUL)
      return static_cast<CORBA::Long>(product);
    return static_cast<CORBA::Long>(product - 0x80000000UL) - 0x7fffffff - 1;
  }
}

Trimul::Trimul(RTC::Manager* manager)
  // The samples start zeroed, so that no sample ever carries an undefined time stamp and each
  // output port publishes 0 as its initial data value.
  : RTC::DataFlowComponentBase(manager), x1Sample(), x1Port("x1", x1Sample), y1Sample(), y1Port("y1", y1Sample),
    y2Sample(), y2Port("y2", y2Sample), y3Sample(), y3Port("y3", y3Sample)
{}

RTC::ReturnCode_t Trimul::onInitialize()
{
  addInPort("x1", x1Port);
  addOutPort("y1", y1Port);
  addOutPort("y2", y2Port);
  addOutPort("y3", y3Port);
  return RTC::RTC_OK;
}

RTC::ReturnCode_t Trimul::onActivated(RTC::UniqueId) { return RTC::RTC_OK; }

RTC::ReturnCode_t Trimul::onDeactivated(RTC::UniqueId) { return RTC::RTC_OK; }

RTC::ReturnCode_t Trimul::onExecute(RTC::UniqueId)
{
  if (!x1Port.isNew())
    return RTC::RTC_OK;

  x1Port.read();
  const CORBA::Long x = x1Sample.data;

  y1Sample.data = wrappingProduct(x, 2);
  y2Sample.data = wrappingProduct(x, 10);
  y3Sample.data = wrappingProduct(x, 100);

  y1Port.write();
  y2Port.write();
  y3Port.write();

  std::cout << y1Sample.data << "=" << x << "*2" << std::endl;
  std::cout << y2Sample.data << "=" << x << "*10" << std::endl;
  std::cout << y3Sample.data << "=" << x << "*100" << std::endl;
  return RTC::RTC_OK;
}

RTC::ReturnCode_t Trimul::onError(RTC::UniqueId) { return RTC::RTC_OK; }

RTC::RTObject_impl* createTrimul(RTC::Manager* manager) { return new Trimul(manager); }

void deleteTrimul(RTC::RTObject_impl* rtc) { delete rtc; }

extern "C"
{
  void TrimulInit(RTC::Manager* manager)
  {
    coil::Properties profile(trimul_profile_text, 2147483647);
    manager->registerFactory(profile, createTrimul, deleteTrimul);
  }
}
