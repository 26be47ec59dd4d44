#include "sdo/ObserverSettings.h"

#include "sdo/NVUtil.h"

#include <coil/stringutil.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

namespace rtm
{
  namespace
  {
    // A heartbeat more often than this would be a flood, not a sign of life.
    constexpr double kShortestIntervalSeconds = 0.01;
    constexpr double kDefaultIntervalSeconds = 1.0;

    std::string upper(std::string text)
    {
      std::transform(text.begin(), text.end(), text.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      return text;
    }

    void observe(ObserverSettings& settings, const std::string& word)
    {
      static const struct
      {
        const char* name;
        OpenRTM::StatusKind kind;
      } kNames[] = {
        {"COMPONENT_PROFILE", OpenRTM::COMPONENT_PROFILE},
        {"RTC_STATUS", OpenRTM::RTC_STATUS},
        {"EC_STATUS", OpenRTM::EC_STATUS},
        {"PORT_PROFILE", OpenRTM::PORT_PROFILE},
        {"CONFIGURATION", OpenRTM::CONFIGURATION},
      };
      for (const auto& entry : kNames)
        if (word == "ALL" || word == entry.name)
          settings.observed.set(entry.kind);
    }

    double intervalSeconds(std::string text)
    {
      coil::eraseBothEndsBlank(text);
      char* end = nullptr;
      const double seconds = std::strtod(text.c_str(), &end);
      if (text.empty() || end == nullptr || *end != '\0' || !std::isfinite(seconds) || seconds <= 0.0)
        return kDefaultIntervalSeconds;
      return std::max(seconds, kShortestIntervalSeconds);
    }
  }

  bool ObserverSettings::observes(OpenRTM::StatusKind kind) const
  {
    return kind < OpenRTM::STATUS_KIND_NUM && observed.test(kind);
  }

  ObserverSettings ObserverSettings::parse(const SDOPackage::NVList& properties)
  {
    const coil::Properties prop = toProperties(properties);
    ObserverSettings settings;
    std::string wanted = upper(prop.getProperty("observed_status"));
    coil::eraseBothEndsBlank(wanted);
    for (const std::string& word : coil::split(wanted, ",", true))
      observe(settings, word);
    if (wanted.empty())
      observe(settings, "ALL");

    std::string heartbeat = prop.getProperty("heartbeat.enable");
    settings.heartbeat = coil::normalize(heartbeat) == "yes";
    const double seconds = intervalSeconds(prop.getProperty("heartbeat.interval"));
    settings.heartbeatInterval = std::chrono::milliseconds(std::llround(seconds * 1000.0));
    return settings;
  }
}
