// A user's own component module, built out of the tree against the installed SDK only: every
// TimedLong arriving on `in` leaves on `out` tripled.
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/Manager.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/DataInPort.h>
#include <rtm/DataOutPort.h>

// clang-format off
static const char* relay_profile_text[] =
{
  "implementation_id", "Relay", "type_name", "Relay", "description", "Triples what it reads",
  "version", "1.0.0", "vendor", "sdk test", "category", "Test", "activity_type", "PERIODIC",
  "kind", "DataFlowComponent", "max_instance", "1", "language", "C++", "lang_type", "compile",
  ""
};
// clang-format on

class Relay : public RTC::DataFlowComponentBase
{
public:
  explicit Relay(RTC::Manager* manager)
    : RTC::DataFlowComponentBase(manager), m_inSample(), m_in("in", m_inSample), m_outSample(),
      m_out("out", m_outSample)
  {}

  RTC::ReturnCode_t onInitialize()
  {
    addInPort("in", m_in);
    addOutPort("out", m_out);
    return RTC::RTC_OK;
  }

  RTC::ReturnCode_t onExecute(RTC::UniqueId)
  {
    while (m_in.isNew())
    {
      m_in.read();
      m_outSample.data = m_inSample.data * 3;
      m_out.write();
    }
    return RTC::RTC_OK;
  }

private:
  RTC::TimedLong m_inSample;
  RTC::InPort<RTC::TimedLong> m_in;
  RTC::TimedLong m_outSample;
  RTC::OutPort<RTC::TimedLong> m_out;
};

static RTC::RTObject_impl* createRelay(RTC::Manager* manager) { return new Relay(manager); }
static void deleteRelay(RTC::RTObject_impl* rtc) { delete rtc; }

extern "C"
{
  void RelayInit(RTC::Manager* manager)
  {
    coil::Properties profile(relay_profile_text);
    manager->registerFactory(profile, createRelay, deleteRelay);
  }
}
