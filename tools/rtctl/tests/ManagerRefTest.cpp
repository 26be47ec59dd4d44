#include "client/Error.h"
#include "client/ManagerRef.h"

#include "testsupport/NamingClient.h"

#include <rtm/idl/Manager.hh>

#include <gtest/gtest.h>

#include <memory>

namespace rtctl
{
  namespace
  {
    // A manager servant that answers only what slave listing asks: its slaves, profile and
    // configuration, the host placed in one or the other as given, the pid in its profile under
    // `pidKey` ("pid" as managers answer now, "manager.pid" as our older ones did).
    class FakeManager : public POA_RTM::Manager
    {
    public:
      FakeManager(const std::string& host, const std::string& pid, bool hostInProfile, const char* pidKey = "pid")
      {
        add(hostInProfile ? m_profile : m_configuration, "os.hostname", host);
        add(m_profile, pidKey, pid);
        PortableServer::POA_var poa = _default_POA();
        m_id = poa->activate_object(this);
        CORBA::Object_var obj = poa->id_to_reference(m_id.in());
        m_ref = RTM::Manager::_narrow(obj.in());
      }
      ~FakeManager() override { deactivate(); }

      RTM::Manager_ptr ref() { return m_ref.in(); }
      void addSlave(RTM::Manager_ptr slave)
      {
        m_slaves.length(m_slaves.length() + 1);
        m_slaves[m_slaves.length() - 1] = RTM::Manager::_duplicate(slave);
      }
      // Its reference stays in its master's list, as after a crash.
      void deactivate()
      {
        if (m_active)
        {
          PortableServer::POA_var poa = _default_POA();
          poa->deactivate_object(m_id.in());
          m_active = false;
        }
      }

      RTM::ManagerList* get_slave_managers() override { return new RTM::ManagerList(m_slaves); }
      RTM::ManagerProfile* get_profile() override
      {
        auto* profile = new RTM::ManagerProfile;
        profile->properties = m_profile;
        return profile;
      }
      RTM::NVList* get_configuration() override { return new RTM::NVList(m_configuration); }

      RTC::ReturnCode_t load_module(const char*, const char*) override { return RTC::UNSUPPORTED; }
      RTC::ReturnCode_t unload_module(const char*) override { return RTC::UNSUPPORTED; }
      RTM::ModuleProfileList* get_loadable_modules() override { return new RTM::ModuleProfileList; }
      RTM::ModuleProfileList* get_loaded_modules() override { return new RTM::ModuleProfileList; }
      RTM::ModuleProfileList* get_factory_profiles() override { return new RTM::ModuleProfileList; }
      RTC::RTObject_ptr create_component(const char*) override { return RTC::RTObject::_nil(); }
      RTC::ReturnCode_t delete_component(const char*) override { return RTC::UNSUPPORTED; }
      RTC::RTCList* get_components() override { return new RTC::RTCList; }
      RTC::ComponentProfileList* get_component_profiles() override { return new RTC::ComponentProfileList; }
      RTC::ReturnCode_t set_configuration(const char*, const char*) override { return RTC::UNSUPPORTED; }
      CORBA::Boolean is_master() override { return m_slaves.length() > 0; }
      RTM::ManagerList* get_master_managers() override { return new RTM::ManagerList; }
      RTC::ReturnCode_t add_master_manager(RTM::Manager_ptr) override { return RTC::UNSUPPORTED; }
      RTC::ReturnCode_t remove_master_manager(RTM::Manager_ptr) override { return RTC::UNSUPPORTED; }
      RTC::ReturnCode_t add_slave_manager(RTM::Manager_ptr) override { return RTC::UNSUPPORTED; }
      RTC::ReturnCode_t remove_slave_manager(RTM::Manager_ptr) override { return RTC::UNSUPPORTED; }
      RTC::ReturnCode_t fork() override { return RTC::UNSUPPORTED; }
      RTC::ReturnCode_t shutdown() override { return RTC::UNSUPPORTED; }
      RTC::ReturnCode_t restart() override { return RTC::UNSUPPORTED; }
      CORBA::Object_ptr get_service(const char*) override { return CORBA::Object::_nil(); }

    private:
      static void add(SDOPackage::NVList& list, const char* name, const std::string& value)
      {
        const CORBA::ULong n = list.length();
        list.length(n + 1);
        list[n].name = CORBA::string_dup(name);
        list[n].value <<= value.c_str();
      }

      PortableServer::ObjectId_var m_id;
      RTM::Manager_var m_ref;
      bool m_active = true;
      SDOPackage::NVList m_profile;
      SDOPackage::NVList m_configuration;
      RTM::ManagerList m_slaves;
    };

    // A master with slaves 0 (alpha, an older manager of ours), 1 (beta), 2 (beta, its host only
    // in its configuration, as the middleware's and ours answer now) and 3 (gamma, gone).
    class ManagerSlaves : public ::testing::Test
    {
    protected:
      ManagerSlaves()
      {
        slaves.emplace_back(new FakeManager("alpha", "101", true, "manager.pid"));
        slaves.emplace_back(new FakeManager("beta", "102", true));
        slaves.emplace_back(new FakeManager("beta", "103", false));
        slaves.emplace_back(new FakeManager("gamma", "104", true));
        for (auto& slave : slaves)
          master.addSlave(slave->ref());
        slaves[3]->deactivate();
      }

      CORBA::ORB_ptr orb = testsupport::testOrb();
      FakeManager master{"alpha", "100", true};
      std::vector<std::unique_ptr<FakeManager>> slaves;
      const ManagerRef sut{master.ref(), "manager at h:2810"};
    };

    TEST_F(ManagerSlaves, EachSlaveShowsItsHostPidAndAddressOrWhyNot)
    {
      const std::vector<ManagerRef::Slave> listed = sut.slaves(orb);
      ASSERT_EQ(4u, listed.size());
      const char* const expected[][2] = {{"alpha", "101"}, {"beta", "102"}, {"beta", "103"}, {"", ""}};
      for (size_t i = 0; i < listed.size(); ++i)
      {
        SCOPED_TRACE(i);
        EXPECT_EQ(i, listed[i].index);
        EXPECT_EQ(expected[i][0], listed[i].host);
        EXPECT_EQ(expected[i][1], listed[i].pid);
        EXPECT_EQ(0u, listed[i].address.find("127.0.0.1:")) << listed[i].address;
      }
      EXPECT_EQ("", listed[2].problem);
      EXPECT_EQ("no longer exists (OBJECT_NOT_EXIST)", listed[3].problem);
    }

    TEST_F(ManagerSlaves, ASlaveIsChosenByIndexOrByItsOneHost)
    {
      SlaveChoice byIndex;
      byIndex.kind = SlaveChoice::kIndex;
      byIndex.index = 2;
      EXPECT_EQ("slave 2 (beta) of manager at h:2810", sut.slave(orb, byIndex).shown());
      EXPECT_TRUE(sut.slave(orb, byIndex).ref()->_is_equivalent(slaves[2]->ref()));
      SlaveChoice byHost;
      byHost.kind = SlaveChoice::kHost;
      byHost.host = "alpha";
      EXPECT_TRUE(sut.slave(orb, byHost).ref()->_is_equivalent(slaves[0]->ref()));
    }

    TEST_F(ManagerSlaves, AChoiceThatNamesNoOneLiveSlaveIsRefusedWithWhatThereIs)
    {
      struct Case
      {
        SlaveChoice choice;
        const char* message;
      };
      const Case cases[] = {
        {{SlaveChoice::kIndex, 4, ""}, "manager at h:2810 has no slave 4 (it has 4)"},
        {{SlaveChoice::kIndex, 3, ""}, "slave 3 of manager at h:2810 no longer exists (OBJECT_NOT_EXIST)"},
        {{SlaveChoice::kHost, 0, "beta"},
         "manager at h:2810 has several slaves on beta (1, 2, ...); name one by its index"},
        {{SlaveChoice::kHost, 0, "delta"},
         "manager at h:2810 has no slave on host 'delta' (its slaves' hosts: alpha, beta, beta)"},
      };
      for (const Case& c : cases)
      {
        try
        {
          sut.slave(orb, c.choice);
          ADD_FAILURE() << c.message;
        }
        catch (const Error& e)
        {
          EXPECT_EQ(c.message, std::string(e.what()));
        }
      }
    }
  }
}
