#include "manager/ManagerServant.h"

#include "log/Logger.h"
#include "log/ServantBoundary.h"
#include "manager/ManagerCore.h"
#include "manager/ManagerPeers.h"
#include "sdo/NVUtil.h"

#include <rtm/RTObject.h>
#include <rtm/detail/ReturnCodeName.h>

namespace rtm
{
  namespace
  {
    RTC::ReturnCode_t failed() { return RTC::RTC_ERROR; }

    // The list operations refuse a nil, a duplicate or an unknown manager without saying more;
    // the log says which operation it was.
    RTC::ReturnCode_t logged(const char* operation, RTC::ReturnCode_t ret)
    {
      if (ret != RTC::RTC_OK)
        RTM_LOG_ERROR("manager", operation << " refused (" << returnCodeName(ret) << ")");
      return ret;
    }

    RTM::ModuleProfileList* toProfiles(const std::vector<coil::Properties>& list)
    {
      auto* out = new RTM::ModuleProfileList;
      out->length(static_cast<CORBA::ULong>(list.size()));
      for (size_t i = 0; i < list.size(); ++i)
        appendProperties((*out)[static_cast<CORBA::ULong>(i)].properties, list[i]);
      return out;
    }

    RTM::ModuleProfileList* noProfiles() { return new RTM::ModuleProfileList; }

    template <class Sequence, class Element>
    void append(Sequence& seq, const Element& element)
    {
      const CORBA::ULong n = seq.length();
      seq.length(n + 1);
      seq[n] = element;
    }

    std::string text(const char* s) { return s != nullptr ? s : ""; }
  }

  ManagerServant::ManagerServant(ManagerCore& core, ManagerPeers& peers) : m_core(core), m_peers(peers) {}

  RTC::ReturnCode_t ManagerServant::load_module(const char* pathname, const char* initfunc)
  {
    return guarded("manager", "load_module", failed, [&] {
      std::string error;
      const RTC::ReturnCode_t ret = m_core.factories().load(text(pathname), text(initfunc), error);
      if (ret != RTC::RTC_OK)
        m_core.reportRefusal("load_module: " + error);
      return ret;
    });
  }

  RTC::ReturnCode_t ManagerServant::unload_module(const char* pathname)
  {
    return guarded("manager", "unload_module", failed, [&] {
      std::string error;
      const RTC::ReturnCode_t ret = m_core.factories().unload(text(pathname), error);
      if (ret != RTC::RTC_OK)
        m_core.reportRefusal("unload_module: " + error);
      return ret;
    });
  }

  RTM::ModuleProfileList* ManagerServant::get_loadable_modules()
  {
    return guarded("manager", "get_loadable_modules", noProfiles,
                   [&] { return toProfiles(m_core.factories().loadableModules()); });
  }

  RTM::ModuleProfileList* ManagerServant::get_loaded_modules()
  {
    return guarded("manager", "get_loaded_modules", noProfiles,
                   [&] { return toProfiles(m_core.factories().loadedModules()); });
  }

  RTM::ModuleProfileList* ManagerServant::get_factory_profiles()
  {
    return guarded("manager", "get_factory_profiles", noProfiles,
                   [&] { return toProfiles(m_core.factories().profiles()); });
  }

  RTC::RTObject_ptr ManagerServant::create_component(const char* module_name)
  {
    return guarded(
      "manager", "create_component", [] { return RTC::RTObject::_nil(); },
      [&] {
        std::string error;
        RTC::RTObject_impl* comp = m_core.components().createComponent(text(module_name), error);
        if (comp == nullptr)
          m_core.reportRefusal("create_component: " + error);
        return comp != nullptr ? RTC::RTObject::_duplicate(comp->getObjRef()) : RTC::RTObject::_nil();
      });
  }

  RTC::ReturnCode_t ManagerServant::delete_component(const char* instance_name)
  {
    return guarded("manager", "delete_component", failed, [&] {
      std::string error;
      const RTC::ReturnCode_t ret = m_core.components().deleteComponent(text(instance_name), error);
      if (ret != RTC::RTC_OK)
        m_core.reportRefusal("delete_component: " + error);
      return ret;
    });
  }

  // A master's lists include what its slaves hold; a slave that does not answer is dropped.
  RTC::RTCList* ManagerServant::get_components()
  {
    return guarded(
      "manager", "get_components", [] { return new RTC::RTCList; },
      [&] {
        RTC::RTCList_var list = new RTC::RTCList;
        for (const RTC::RTObject_var& ref : m_core.components().componentRefs())
          append(list.inout(), RTC::RTObject::_duplicate(ref.in()));
        if (m_core.settings().isMaster())
        {
          m_peers.forEachSlave([&](RTM::Manager_ptr slave) {
            RTC::RTCList_var theirs = slave->get_components();
            for (CORBA::ULong i = 0; i < theirs->length(); ++i)
              append(list.inout(), RTC::RTObject::_duplicate(theirs[i].in()));
          });
        }
        return list._retn();
      });
  }

  RTC::ComponentProfileList* ManagerServant::get_component_profiles()
  {
    return guarded(
      "manager", "get_component_profiles", [] { return new RTC::ComponentProfileList; },
      [&] {
        RTC::ComponentProfileList_var list = new RTC::ComponentProfileList;
        for (const RTC::RTObject_var& ref : m_core.components().componentRefs())
        {
          try
          {
            RTC::ComponentProfile_var profile = ref->get_component_profile();
            append(list.inout(), profile.in());
          }
          catch (const CORBA::SystemException&)
          {
            // Deleted since the list was taken.
          }
        }
        if (m_core.settings().isMaster())
        {
          m_peers.forEachSlave([&](RTM::Manager_ptr slave) {
            RTC::ComponentProfileList_var theirs = slave->get_component_profiles();
            for (CORBA::ULong i = 0; i < theirs->length(); ++i)
              append(list.inout(), theirs[i]);
          });
        }
        return list._retn();
      });
  }

  // The manager.* settings named relative to that node (pid, name, is_master, ...), as the
  // shell tools read them; the host name is among get_configuration's os.* keys.
  RTM::ManagerProfile* ManagerServant::get_profile()
  {
    return guarded(
      "manager", "get_profile", [] { return new RTM::ManagerProfile; },
      [&] {
        const coil::Properties cfg = m_core.settings().settings();
        RTM::ManagerProfile_var profile = new RTM::ManagerProfile;
        if (const coil::Properties* manager = cfg.findNode("manager"))
          appendProperties(profile->properties, *manager);
        return profile._retn();
      });
  }

  RTM::NVList* ManagerServant::get_configuration()
  {
    return guarded(
      "manager", "get_configuration", [] { return new RTM::NVList; },
      [&] {
        RTM::NVList_var list = new RTM::NVList;
        appendProperties(list.inout(), m_core.settings().settings());
        return list._retn();
      });
  }

  // Changes the running manager's configuration; settings read later (by the next component
  // created, the next timer round) take the new value.
  RTC::ReturnCode_t ManagerServant::set_configuration(const char* name, const char* value)
  {
    return guarded("manager", "set_configuration", failed, [&] {
      if (text(name).empty())
        return logged("set_configuration of an empty name", RTC::BAD_PARAMETER);
      m_core.settings().changeSetting(text(name), text(value));
      return RTC::RTC_OK;
    });
  }

  CORBA::Boolean ManagerServant::is_master()
  {
    return guarded(
      "manager", "is_master", [] { return false; }, [&] { return m_core.settings().isMaster(); });
  }

  RTM::ManagerList* ManagerServant::get_master_managers()
  {
    return guarded(
      "manager", "get_master_managers", [] { return new RTM::ManagerList; }, [&] { return m_peers.masters(); });
  }

  RTC::ReturnCode_t ManagerServant::add_master_manager(RTM::Manager_ptr mgr)
  {
    return guarded("manager", "add_master_manager", failed,
                   [&] { return logged("add_master_manager", m_peers.addMaster(mgr)); });
  }

  RTC::ReturnCode_t ManagerServant::remove_master_manager(RTM::Manager_ptr mgr)
  {
    return guarded("manager", "remove_master_manager", failed,
                   [&] { return logged("remove_master_manager", m_peers.removeMaster(mgr)); });
  }

  RTM::ManagerList* ManagerServant::get_slave_managers()
  {
    return guarded(
      "manager", "get_slave_managers", [] { return new RTM::ManagerList; }, [&] { return m_peers.slaves(); });
  }

  RTC::ReturnCode_t ManagerServant::add_slave_manager(RTM::Manager_ptr mgr)
  {
    return guarded("manager", "add_slave_manager", failed,
                   [&] { return logged("add_slave_manager", m_peers.addSlave(mgr)); });
  }

  RTC::ReturnCode_t ManagerServant::remove_slave_manager(RTM::Manager_ptr mgr)
  {
    return guarded("manager", "remove_slave_manager", failed,
                   [&] { return logged("remove_slave_manager", m_peers.removeSlave(mgr)); });
  }

  // Accepted and done nothing, as in the middleware: a manager is not forked or restarted
  // through its object.
  RTC::ReturnCode_t ManagerServant::fork() { return RTC::RTC_OK; }
  RTC::ReturnCode_t ManagerServant::restart() { return RTC::RTC_OK; }

  // Answers first: the shutdown runs on the manager's own thread, the same way as on SIGINT,
  // and lets this call's reply go out before the ORB stops.
  RTC::ReturnCode_t ManagerServant::shutdown()
  {
    return guarded("manager", "shutdown", failed, [&] {
      m_core.requestShutdown();
      return RTC::RTC_OK;
    });
  }

  CORBA::Object_ptr ManagerServant::get_service(const char*) { return CORBA::Object::_nil(); }
}
