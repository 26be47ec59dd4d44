// Keeps the runtime's objects bound in every configured naming service, including services
// that start late or come back empty, without ever failing or blocking the caller for long.
#ifndef RTM_NAMING_NAMINGMANAGER_H
#define RTM_NAMING_NAMINGMANAGER_H

#include "naming/NamingServer.h"

#include <omniORB4/CORBA.h>
#include <omniORB4/Naming.hh>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace rtm
{
  class NamingManager
  {
  public:
    // `nameservers` is corba.nameservers (comma list of host[:port]); `enabled` is naming.enable.
    // `retryInterval` is naming.update.interval, quoted in the unreachable-server warning.
    NamingManager(CORBA::ORB_ptr orb, const std::string& nameservers, bool enabled, double retryInterval = 10.0);
    NamingManager(const NamingManager&) = delete;
    NamingManager& operator=(const NamingManager&) = delete;
    // Leaves names bound: unbinding is the graceful shutdown's decision (unbindAll).
    ~NamingManager() = default;

    // `name` is a path such as "myhost.host_cxt/Trimul0.rtc". Remembered for update().
    void bindObject(const std::string& name, CORBA::Object_ptr obj) noexcept;
    // Removes the leaf only; the contexts above it stay for other components.
    void unbindObject(const std::string& name) noexcept;
    void unbindAll() noexcept;
    // Periodic repair: binds what a server is missing or holds for an object that no longer
    // answers (a live one keeps the name it took); everything when `forceRebind`
    // (naming.update.rebind) or when the server has just come back.
    void update(bool forceRebind) noexcept;

    // The corbaloc URL of each server in use (none when naming is disabled).
    std::vector<std::string> servers() const;

  private:
    struct Binding
    {
      CosNaming::Name name;
      CORBA::Object_var object;
    };

    // Bounds every naming call, connecting included, so a dead host never stalls the timer.
    static constexpr CORBA::ULong kCallTimeoutMs = 2000;

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<NamingServer>> servers_;
    std::map<std::string, Binding> bindings_;
  };
}  // namespace rtm

#endif  // RTM_NAMING_NAMINGMANAGER_H
