// One naming service (an entry of corba.nameservers) and whether it currently answers.
#ifndef RTM_NAMING_NAMINGSERVER_H
#define RTM_NAMING_NAMINGSERVER_H

#include <omniORB4/CORBA.h>
#include <omniORB4/Naming.hh>

#include <map>
#include <set>
#include <string>

namespace rtm
{
  class NamingServer
  {
  public:
    // `entry` is `host` or `host:port`; `retryInterval` (seconds) is only quoted in the warning.
    NamingServer(CORBA::ORB_ptr orb, const std::string& entry, double retryInterval, CORBA::ULong callTimeoutMs);
    NamingServer(const NamingServer&) = delete;
    NamingServer& operator=(const NamingServer&) = delete;

    const std::string& address() const { return address_; }
    const std::string& corbaloc() const { return corbaloc_; }

    // True after a call failed for lack of a server, until one gets an answer again.
    bool unreachable() const { return state_ == State::Unreachable; }

    // Each returns false only when the server could not be reached; naming errors
    // (a path through a non-context, say) are logged and count as answered.
    //
    // Binding is rebinding, as in the middleware: the name is taken even from another live
    // object (two programs started with one configuration), with one warning line, and that
    // object is remembered so that it gets its name back when `obj` is unbound.
    bool bind(const CosNaming::Name& name, CORBA::Object_ptr obj);
    // Leaves a name that another live object holds by now; hands a name taken by bind() back
    // to the object it was taken from, if that one still runs. A nil `obj` unbinds whatever
    // the name holds.
    bool unbind(const CosNaming::Name& name, CORBA::Object_ptr obj);
    // Binds when the name is missing or holds an object that no longer answers. A name that
    // another live object holds is left to it (with one warning line), so that two holders do
    // not take it from each other at every update; `force` binds regardless.
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

    enum class Holder
    {
      Nobody,
      This,  // the object asked about
      Stale,  // another object, which no longer answers
      Live  // another object, which answers
    };

    // What `name` holds now, compared with `obj`; the held object in `held`. Throws what the
    // naming service throws when it cannot be reached.
    Holder holderOf(const CosNaming::Name& name, CORBA::Object_ptr obj, CORBA::Object_var& held);
    // Asks the object itself, bounded by the call timeout; no answer counts as gone.
    bool answers(CORBA::Object_ptr obj) const;
    // One warning line per name for the life of the process: the update timer would repeat it.
    void warnOnce(const CosNaming::Name& name, const std::string& what);
    CosNaming::NamingContext_ptr root();
    // Binds the leaf (rebinds when `replace`), creating each missing context on the way.
    // Without `replace`, false when the name is taken already.
    bool placeCreatingContexts(const CosNaming::Name& name, CORBA::Object_ptr obj, bool replace);
    void reached();
    void lost(const CORBA::Exception& cause);

    CORBA::ORB_var orb_;
    std::string address_;
    std::string corbaloc_;
    double retryInterval_;
    CORBA::ULong callTimeoutMs_;
    CosNaming::NamingContext_var root_;
    State state_ = State::Unknown;
    // By name: the live object that bind() took the name from.
    std::map<std::string, CORBA::Object_var> displaced_;
    std::set<std::string> warned_;
  };
}  // namespace rtm

#endif  // RTM_NAMING_NAMINGSERVER_H
