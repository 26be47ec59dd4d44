// One naming service (an entry of corba.nameservers) and whether it currently answers.
#ifndef RTM_NAMING_NAMINGSERVER_H
#define RTM_NAMING_NAMINGSERVER_H

#include <omniORB4/CORBA.h>
#include <omniORB4/Naming.hh>

#include <string>

namespace rtm
{
  class NamingServer
  {
  public:
    // `entry` is `host` or `host:port`; `retryInterval` (seconds) is only quoted in the warning.
    NamingServer(CORBA::ORB_ptr orb, const std::string& entry, double retryInterval,
                 CORBA::ULong callTimeoutMs);
    NamingServer(const NamingServer&) = delete;
    NamingServer& operator=(const NamingServer&) = delete;

    const std::string& address() const { return address_; }
    const std::string& corbaloc() const { return corbaloc_; }

    // True after a call failed for lack of a server, until one gets an answer again.
    bool unreachable() const { return state_ == State::Unreachable; }

    // Each returns false only when the server could not be reached; naming errors
    // (a path through a non-context, say) are logged and count as answered.
    bool bind(const CosNaming::Name& name, CORBA::Object_ptr obj);
    bool unbind(const CosNaming::Name& name);
    // Rebinds only when the name is missing or points elsewhere, unless `force`.
    bool ensure(const CosNaming::Name& name, CORBA::Object_ptr obj, bool force);

    // "a.b.host_cxt/X.rtc" -> [{a.b, host_cxt}, {X, rtc}]: the last '.' of a part starts its kind.
    static CosNaming::Name toName(const std::string& path);

  private:
    enum class State
    {
      Unknown,
      Reachable,
      Unreachable
    };

    CosNaming::NamingContext_ptr root();
    void rebindCreatingContexts(const CosNaming::Name& name, CORBA::Object_ptr obj);
    void reached();
    void lost(const CORBA::Exception& cause);

    CORBA::ORB_var orb_;
    std::string address_;
    std::string corbaloc_;
    double retryInterval_;
    CORBA::ULong callTimeoutMs_;
    CosNaming::NamingContext_var root_;
    State state_ = State::Unknown;
  };
} // namespace rtm

#endif // RTM_NAMING_NAMINGSERVER_H
