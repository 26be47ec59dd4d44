// What an observer asks for, read from its service profile's properties as tools send them.
#include "sdo/ObserverSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
  using rtm::ObserverSettings;

  // Sized once: growing a sequence copies its Anys through the ORB's marshalling, and these tests
  // run without an ORB.
  SDOPackage::NVList properties(const std::vector<std::pair<std::string, std::string>>& entries)
  {
    SDOPackage::NVList list;
    list.length(static_cast<CORBA::ULong>(entries.size()));
    for (CORBA::ULong i = 0; i < list.length(); ++i)
    {
      list[i].name = CORBA::string_dup(entries[i].first.c_str());
      list[i].value <<= entries[i].second.c_str();
    }
    return list;
  }

  // The five kinds a tool can name, as the bits of `observed` in their enum order.
  std::string observedKinds(const ObserverSettings& s)
  {
    std::string out;
    const char* names[] = {"P", "R", "E", "O", "C", "H"};
    for (int k = 0; k < OpenRTM::STATUS_KIND_NUM; ++k)
      if (s.observes(static_cast<OpenRTM::StatusKind>(k)))
        out += names[k];
    return out;
  }

  TEST(ObserverSettings, ObservedStatusIsACaseInsensitiveListWhereEmptyOrAllMeansEveryKind)
  {
    const struct
    {
      const char* value;  // nullptr: the property is not sent at all
      const char* kinds;  // P profile, R rtc, E ec, O port, C configuration
    } cases[] = {
      {nullptr, "PREOC"},
      {"", "PREOC"},
      {"ALL", "PREOC"},
      {"all", "PREOC"},
      {"RTC_STATUS", "R"},
      {"rtc_status, Port_Profile", "RO"},
      {" EC_STATUS ,CONFIGURATION,", "EC"},
      {"COMPONENT_PROFILE,ALL", "PREOC"},
      // A name this runtime does not know observes nothing, and heartbeats are never a kind one
      // subscribes to by name.
      {"NO_SUCH_KIND", ""},
      {"HEARTBEAT", ""},
    };
    for (const auto& c : cases)
    {
      const ObserverSettings sut =
        ObserverSettings::parse(c.value == nullptr ? properties({}) : properties({{"observed_status", c.value}}));
      EXPECT_EQ(c.kinds, observedKinds(sut)) << (c.value == nullptr ? "(absent)" : c.value);
    }
  }

  TEST(ObserverSettings, HeartbeatIsOffUnlessEnabledAndItsIntervalFallsBackToOneSecond)
  {
    const struct
    {
      const char* enable;
      const char* interval;
      bool heartbeat;
      long ms;
    } cases[] = {
      {"", "", false, 1000},
      {"YES", "", true, 1000},
      {"yes", "0.25", true, 250},
      {"NO", "0.25", false, 250},
      {"YES", "2", true, 2000},
      {"YES", "0", true, 1000},
      {"YES", "-1", true, 1000},
      {"YES", "soon", true, 1000},
      {"YES", "0.5s", true, 1000},
      {"YES", "nan", true, 1000},
      // A tiny interval would flood the observer: it is held at 10 ms.
      {"YES", "0.000001", true, 10},
    };
    for (const auto& c : cases)
    {
      const ObserverSettings sut =
        ObserverSettings::parse(properties({{"heartbeat.enable", c.enable}, {"heartbeat.interval", c.interval}}));
      EXPECT_EQ(c.heartbeat, sut.heartbeat) << c.enable << " " << c.interval;
      EXPECT_EQ(c.ms, sut.heartbeatInterval.count()) << c.enable << " " << c.interval;
    }
  }
}
