// The ORB side of the execution-context tests: servants activated in the test ORB's RootPOA, and a
// context that owns a recorded component, reached through its object reference as tools reach it.
#pragma once

#include "CallLog.h"

#include "ec/PeriodicExecutionContext.h"

#include <gtest/gtest.h>
#include <rtm/idl/OpenRTM.hh>
#include <rtm/idl/SDOPackage.hh>

#include <memory>
#include <string>

namespace ectest
{

  PortableServer::POA_ptr rootPoa();

  // The repository ID an object reference carries in its IOR, read from the stringified form.
  std::string iorTypeId(CORBA::Object_ptr obj);

  // A servant activated in the RootPOA for the lifetime of this holder.
  template <class Servant>
  class Activated
  {
  public:
    explicit Activated(Servant* servant) : m_servant(servant)
    {
      PortableServer::POA_var poa = rootPoa();
      m_id = poa->activate_object(servant);
      m_ref = poa->id_to_reference(m_id.in());
    }
    ~Activated() { deactivate(); }
    Activated(const Activated&) = delete;
    Activated& operator=(const Activated&) = delete;

    void deactivate()
    {
      if (!m_active)
      {
        return;
      }
      m_active = false;
      PortableServer::POA_var poa = rootPoa();
      poa->deactivate_object(m_id.in());
    }
    CORBA::Object_ptr ref() const { return m_ref.in(); }
    Servant* operator->() const { return m_servant.in(); }
    Servant* get() const { return m_servant.in(); }

  private:
    PortableServer::Servant_var<Servant> m_servant;
    PortableServer::ObjectId_var m_id;
    CORBA::Object_var m_ref;
    bool m_active = true;
  };

  // Any object that is not a component: a stand-in for the owner's reference, or a bad argument.
  class PlainObject : public virtual POA_SDOPackage::SDOService
  {};

  // A running-capable context at 1 kHz whose owner is a recorded fake (handle 0).
  class ContextWithOwner : public ::testing::Test
  {
  protected:
    ContextWithOwner();
    ~ContextWithOwner() override;

    RTC::LifeCycleState ownerState();
    bool waitForOwnerState(RTC::LifeCycleState state);
    // start(), activate the owner and wait until on_activated was called.
    void startActive();

    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    Activated<PlainObject> ownerObject{new PlainObject};
    RTC::RTObject_var owner;
    PortableServer::Servant_var<rtm::PeriodicExecutionContext> sut;
    OpenRTM::ExtTrigExecutionContextService_var ec;
  };

}  // namespace ectest
