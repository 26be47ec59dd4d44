#include "naming/NamingManager.h"

#include "log/Logger.h"

#include <coil/stringutil.h>

namespace rtm
{
  NamingManager::NamingManager(CORBA::ORB_ptr orb, const std::string& nameservers, bool enabled, double retryInterval)
  {
    if (!enabled)
    {
      return;
    }
    for (const std::string& entry : coil::split(nameservers, ",", true))
    {
      servers_.push_back(std::make_unique<NamingServer>(orb, entry, retryInterval, kCallTimeoutMs));
    }
  }

  void NamingManager::bindObject(const std::string& name, CORBA::Object_ptr obj) noexcept
  {
    try
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (servers_.empty())
      {
        return;
      }
      Binding& binding = bindings_[name];
      binding.name = NamingServer::toName(name);
      binding.object = CORBA::Object::_duplicate(obj);
      for (auto& server : servers_)
      {
        // A server already known to be down would cost a timeout per component; the next
        // update() binds everything there once it answers again.
        if (!server->unreachable())
        {
          server->bind(binding.name, binding.object);
        }
      }
    }
    catch (...)
    {
      RTM_LOG_ERROR("naming", "cannot bind " << name);
    }
  }

  void NamingManager::unbindObject(const std::string& name) noexcept
  {
    try
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const auto found = bindings_.find(name);
      const CosNaming::Name cosName = found != bindings_.end() ? found->second.name : NamingServer::toName(name);
      const CORBA::Object_ptr object = found != bindings_.end() ? found->second.object.in() : CORBA::Object::_nil();
      for (auto& server : servers_)
      {
        if (!server->unreachable())
        {
          server->unbind(cosName, object);
        }
      }
      if (found != bindings_.end())
      {
        bindings_.erase(found);
      }
    }
    catch (...)
    {
      RTM_LOG_ERROR("naming", "cannot unbind " << name);
    }
  }

  void NamingManager::unbindAll() noexcept
  {
    try
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto& server : servers_)
      {
        for (const auto& entry : bindings_)
        {
          if (server->unreachable() || !server->unbind(entry.second.name, entry.second.object))
          {
            break;
          }
        }
      }
      bindings_.clear();
    }
    catch (...)
    {
      RTM_LOG_ERROR("naming", "cannot unbind all names");
    }
  }

  void NamingManager::update(bool forceRebind) noexcept
  {
    try
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto& server : servers_)
      {
        // A server that was down may have come back empty or with stale entries.
        const bool force = forceRebind || server->unreachable();
        for (const auto& entry : bindings_)
        {
          // One failed call means the server is gone; the rest would only wait out timeouts.
          if (!server->ensure(entry.second.name, entry.second.object, force))
          {
            break;
          }
        }
      }
    }
    catch (...)
    {
      RTM_LOG_ERROR("naming", "naming update failed");
    }
  }

  std::vector<std::string> NamingManager::servers() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    for (const auto& server : servers_)
    {
      out.push_back(server->corbaloc());
    }
    return out;
  }
}  // namespace rtm
