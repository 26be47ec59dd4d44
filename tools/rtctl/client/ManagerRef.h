// A manager found through its address (a naming path or HOST:PORT), or one of its slaves: its
// reference, checked to answer, and the words that name it in every message.
#pragma once

#include "client/ManagerAddress.h"
#include "client/Session.h"
#include "client/SlaveChoice.h"

#include <rtm/idl/Manager.hh>

#include <functional>
#include <string>
#include <vector>

namespace rtctl
{
  class ManagerRef
  {
  public:
    // Throws Error: no such name, not a manager, not reachable.
    ManagerRef(Session& session, const ManagerAddress& address);
    // A manager already in hand (a slave), named by `shown`; not checked.
    ManagerRef(RTM::Manager_ptr ref, std::string shown);

    RTM::Manager_ptr ref() const { return m_ref.in(); }
    // "manager at localhost:2810", "myhost.host_cxt/manager.mgr", "slave 1 (vm) of ...".
    const std::string& shown() const { return m_shown; }

    // What `mgr slaves` shows of one slave. A slave that does not answer keeps its index and
    // address, with the reason in `problem`.
    struct Slave
    {
      size_t index;
      RTM::Manager_var ref;
      std::string host;
      std::string pid;
      std::string address;
      std::string problem;
    };
    std::vector<Slave> slaves(CORBA::ORB_ptr orb) const;
    // The host name and process id a manager reports of itself ("" for what it does not say).
    // Throws CORBA::Exception when it does not answer.
    static void identify(RTM::Manager_ptr manager, std::string& host, std::string& pid);
    // The slave a --slave choice names, as a manager of its own. Throws Error: no such slave,
    // several on that host, or the slave does not answer.
    ManagerRef slave(CORBA::ORB_ptr orb, const SlaveChoice& choice) const;

    // Turns any exception from a call on this manager into an Error naming it and `what`.
    [[noreturn]] void fail(const std::string& what, const CORBA::Exception& e) const;
    // Runs one operation that answers a result code. An exception is an Error naming `doing`
    // ("loading Trimul.so"); a result other than RTC_OK, the Error "<manager> refused to
    // <refused>: <code><why>", `why` chosen by the code.
    void call(const std::string& doing, const std::string& refused,
              const std::function<RTC::ReturnCode_t(RTM::Manager_ptr)>& operation,
              const std::function<std::string(RTC::ReturnCode_t)>& why = nullptr) const;

  private:
    void narrow(CORBA::Object_ptr obj, const std::string& hint);

    RTM::Manager_var m_ref;
    std::string m_shown;
  };
}
