#include "sdo/ObserverSettings.h"

#include "component/NVUtil.h"

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

    std::string trimmed(const std::string& text)
    {
      const auto first = text.find_first_not_of(" \t");
      if (first == std::string::npos)
        return "";
      return text.substr(first, text.find_last_not_of(" \t") - first + 1);
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

    double intervalSeconds(const std::string& text)
    {
      char* end = nullptr;
      const double seconds = std::strtod(text.c_str(), &end);
      if (text.empty() || end == nullptr || *trimmed(end).c_str() != '\0' || !std::isfinite(seconds) || seconds <= 0.0)
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
    const std::string wanted = upper(trimmed(prop.getProperty("observed_status")));
    std::string::size_type from = 0;
    while (from <= wanted.size())
    {
      const std::string::size_type comma = std::min(wanted.find(',', from), wanted.size());
      observe(settings, trimmed(wanted.substr(from, comma - from)));
      from = comma + 1;
    }
    if (wanted.empty())
      observe(settings, "ALL");

    settings.heartbeat = upper(trimmed(prop.getProperty("heartbeat.enable"))) == "YES";
    const double seconds = intervalSeconds(trimmed(prop.getProperty("heartbeat.interval")));
    settings.heartbeatInterval = std::chrono::milliseconds(std::llround(seconds * 1000.0));
    return settings;
  }
}
