// Both observers a tool may attach to a running TrimulComp: the one announced as
// IDL:OpenRTM/ComponentObserver:1.0 and the one the newer shell tools announce as
// IDL:omg.org/RTC/ComponentObserver:1.0. Each is a servant of its own interface's skeleton here,
// so a notification reaches it only if the component calls it through that interface.
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"

#include <rtm/idl/ComponentObserver.hh>
#include <rtm/idl/RTCComponentObserver.hh>

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    // What one observer heard: "<kind ordinal> <hint>" a line each.
    class Heard
    {
    public:
      void add(int kind, const char* hint)
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(std::to_string(kind) + " " + hint);
        m_changed.notify_all();
      }

      bool waitFor(const std::string& line)
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, 10s,
                                  [&] { return std::find(m_lines.begin(), m_lines.end(), line) != m_lines.end(); });
      }

      std::vector<std::string> lines()
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
      }

    private:
      std::mutex m_mutex;
      std::condition_variable m_changed;
      std::vector<std::string> m_lines;
    };

    class OpenRtmObserver : public POA_OpenRTM::ComponentObserver, public Heard
    {
    public:
      void update_status(OpenRTM::StatusKind kind, const char* hint) override { add(kind, hint); }
    };

    class RtcObserver : public POA_RTC::ComponentObserver, public Heard
    {
    public:
      void update_status(RTC::StatusKind kind, const char* hint) override { add(kind, hint); }
    };

    SDOPackage::ServiceProfile profileOf(const char* id, const char* interfaceType, CORBA::Object_ptr observer)
    {
      SDOPackage::ServiceProfile sp;
      sp.id = CORBA::string_dup(id);
      sp.interface_type = CORBA::string_dup(interfaceType);
      sp.service = SDOPackage::SDOService::_narrow(observer);
      sp.properties.length(1);
      sp.properties[0].name = CORBA::string_dup("observed_status");
      sp.properties[0].value <<= "RTC_STATUS, EC_STATUS";
      return sp;
    }

    TEST(ObserverKinds, EachKindOfObserverHearsTheStateChangesThroughItsOwnInterface)
    {
      testsupport::NameServer ns;
      TrimulProcess trimul{ns};
      CORBA::Object_var obj = testsupport::NamingClient(testsupport::testOrb(), ns.corbaloc()).resolve(trimul.path());
      RTC::RTObject_var rtc = RTC::RTObject::_narrow(obj.in());
      ASSERT_FALSE(CORBA::is_nil(rtc));
      SDOPackage::Configuration_var configuration = rtc->get_configuration();

      OpenRtmObserver older;
      RtcObserver newer;
      PortableServer::POA_var poa = older._default_POA();
      PortableServer::ObjectId_var olderId = poa->activate_object(&older);
      PortableServer::ObjectId_var newerId = poa->activate_object(&newer);
      CORBA::Object_var olderRef = poa->id_to_reference(olderId.in());
      CORBA::Object_var newerRef = poa->id_to_reference(newerId.in());

      const struct
      {
        const char* id;
        const char* interfaceType;
        CORBA::Object_ptr ref;
        Heard& heard;
      } observers[] = {
        {"older", "IDL:OpenRTM/ComponentObserver:1.0", olderRef.in(), older},
        {"newer", "IDL:omg.org/RTC/ComponentObserver:1.0", newerRef.in(), newer},
      };
      for (const auto& o : observers)
        EXPECT_TRUE(configuration->add_service_profile(profileOf(o.id, o.interfaceType, o.ref))) << o.id;
      EXPECT_FALSE(
        configuration->add_service_profile(profileOf("other", "IDL:omg.org/RTC/NoSuchObserver:1.0", olderRef.in())))
        << "an interface type other than the two is still refused";
      SDOPackage::ServiceProfileList_var listed = rtc->get_service_profiles();
      EXPECT_EQ(2u, listed->length());

      RTC::ExecutionContextList_var contexts = rtc->get_owned_contexts();
      ASSERT_EQ(1u, contexts->length());
      ASSERT_EQ(RTC::RTC_OK, contexts[0u]->activate_component(rtc.in()));
      for (const auto& o : observers)
        EXPECT_TRUE(o.heard.waitFor("1 ACTIVE:0")) << o.id;  // RTC_STATUS is 1 in both enums
      ASSERT_EQ(RTC::RTC_OK, contexts[0u]->deactivate_component(rtc.in()));
      ASSERT_EQ(RTC::RTC_OK, contexts[0u]->set_rate(50.0));
      for (const auto& o : observers)
      {
        EXPECT_TRUE(o.heard.waitFor("1 INACTIVE:0")) << o.id;
        EXPECT_TRUE(o.heard.waitFor("2 RATE_CHANGED:0")) << o.id;  // EC_STATUS
        EXPECT_TRUE(configuration->remove_service_profile(o.id)) << o.id;
      }
      listed = rtc->get_service_profiles();
      EXPECT_EQ(0u, listed->length());
      // The calls are oneway: this process's ORB may serve two of them on one connection at once,
      // so each observer may hear changes that came close together in either order.
      std::vector<std::string> olderHeard = older.lines();
      std::vector<std::string> newerHeard = newer.lines();
      std::sort(olderHeard.begin(), olderHeard.end());
      std::sort(newerHeard.begin(), newerHeard.end());
      EXPECT_EQ(olderHeard, newerHeard) << "both heard the same changes";

      poa->deactivate_object(olderId.in());
      poa->deactivate_object(newerId.in());
      EXPECT_EQ(0, trimul.stop());
    }
  }
}
