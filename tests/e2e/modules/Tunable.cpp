// A component module whose component "Tunable" has configuration parameters of four kinds, bound
// as component authors bind them: an int, a double, a string and a list of doubles. Its sets are
// "default" and "fast". Each onExecute prints the values and the set they came from last, one
// line, whenever it differs from the line it printed last, so that a test sees each change once.
#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
  class Tunable : public RTC::DataFlowComponentBase
  {
  public:
    explicit Tunable(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager), m_gain(0), m_scale(0) {}

    RTC::ReturnCode_t onInitialize() override
    {
      bindParameter("gain", m_gain, "1");
      bindParameter("scale", m_scale, "0.5");
      bindParameter("label", m_label, "plain");
      bindParameter("weights", m_weights, "1,2");
      addConfigurationSetNameListener(RTC::ON_UPDATE_CONFIG_SET, *this, &Tunable::updatedFrom);
      return RTC::RTC_OK;
    }

    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      std::ostringstream line;
      line << "gain=" << m_gain << " scale=" << m_scale << " label=" << m_label << " weights=";
      for (size_t i = 0; i < m_weights.size(); ++i)
        line << (i == 0 ? "" : ",") << m_weights[i];
      line << " from " << m_set;
      if (line.str() != m_printed)
      {
        m_printed = line.str();
        std::cout << m_printed << std::endl;
      }
      return RTC::RTC_OK;
    }

  private:
    // Called where the values change: on the component's own thread, as onExecute is.
    void updatedFrom(const char* config_set) { m_set = config_set; }

    int m_gain;
    double m_scale;
    std::string m_label;
    std::vector<double> m_weights;
    std::string m_set;
    std::string m_printed;
  };

  RTC::RTObject_impl* createTunable(RTC::Manager* manager) { return new Tunable(manager); }
  void destroyTunable(RTC::RTObject_impl* rtc) { delete rtc; }
}

extern "C"
{
  void TunableInit(RTC::Manager* manager)
  {
    // A profile table keeps its hand layout.
    // clang-format off
    const char* const profileText[] = {"implementation_id", "Tunable", "type_name", "Tunable", "category", "Test",
                                "vendor", "Tests", "version", "1.0",
                                "conf.default.gain", "1", "conf.default.scale", "0.5",
                                "conf.default.label", "plain", "conf.default.weights", "1,2",
                                "conf.fast.gain", "40", "conf.fast.scale", "2.25",
                                "conf.fast.label", "quick run", "conf.fast.weights", "0.5, 4, 8",
                                ""};
    // clang-format on
    coil::Properties profile(profileText);
    manager->registerFactory(profile, createTunable, destroyTunable);
  }
}
