#include "naming/NamingServer.h"

#include "log/Logger.h"
#include "log/Warning.h"

#include <omniORB4/omniORB.h>

#include <cstdio>
#include <sstream>

namespace rtm
{
  namespace
  {
    bool hasPort(const std::string& entry)
    {
      // A bracketed IPv6 literal has colons of its own; only one after ']' is a port.
      if (!entry.empty() && entry[0] == '[')
      {
        return entry.find("]:") != std::string::npos;
      }
      return entry.find(':') != std::string::npos;
    }

    std::string text(const CosNaming::Name& name)
    {
      std::string out;
      for (CORBA::ULong i = 0; i < name.length(); ++i)
      {
        out += (i == 0 ? "" : "/") + std::string(name[i].id.in());
        const std::string kind = name[i].kind.in();
        out += kind.empty() ? "" : "." + kind;
      }
      return out;
    }
  }  // namespace

  NamingServer::NamingServer(CORBA::ORB_ptr orb, const std::string& entry, double retryInterval,
                             CORBA::ULong callTimeoutMs)
    : orb_(CORBA::ORB::_duplicate(orb)), address_(hasPort(entry) ? entry : entry + ":2809"),
      corbaloc_("corbaloc::" + entry + "/NameService"), retryInterval_(retryInterval), callTimeoutMs_(callTimeoutMs)
  {}

  bool NamingServer::bind(const CosNaming::Name& name, CORBA::Object_ptr obj)
  {
    try
    {
      // A free name, the usual case, costs one call; only a taken one is looked at.
      if (!placeCreatingContexts(name, obj, false))
      {
        CORBA::Object_var held;
        const Holder holder = holderOf(name, obj, held);
        if (holder == Holder::Live)
        {
          warnOnce(name, "already named another running component; it names this one now, and "
                         "the other gets it back when this one exits");
          displaced_[text(name)] = held._retn();
        }
        if (holder != Holder::This)
        {
          placeCreatingContexts(name, obj, true);
        }
      }
      reached();
      RTM_LOG_DEBUG("naming", "bound " << text(name) << " in " << address_);
    }
    catch (const CORBA::SystemException& e)
    {
      lost(e);
      return false;
    }
    catch (const CORBA::Exception& e)
    {
      reached();
      RTM_LOG_ERROR("naming", "cannot bind " << text(name) << " in " << address_ << ": " << e._name());
    }
    return true;
  }

  bool NamingServer::unbind(const CosNaming::Name& name, CORBA::Object_ptr obj)
  {
    try
    {
      const auto displaced = displaced_.find(text(name));
      CORBA::Object_var held;
      const Holder holder = CORBA::is_nil(obj) ? Holder::Stale : holderOf(name, obj, held);
      if (holder == Holder::Live)
      {
        // Someone else's name by now: ours went when it was taken.
      }
      else if (holder == Holder::This && displaced != displaced_.end() && answers(displaced->second))
      {
        root()->rebind(name, displaced->second);
      }
      else if (holder != Holder::Nobody)
      {
        root()->unbind(name);
      }
      if (displaced != displaced_.end())
      {
        displaced_.erase(displaced);
      }
      reached();
    }
    catch (const CORBA::SystemException& e)
    {
      lost(e);
      return false;
    }
    catch (const CORBA::Exception&)
    {
      // Already gone (NotFound and the like): exactly what was wanted.
      reached();
    }
    return true;
  }

  bool NamingServer::ensure(const CosNaming::Name& name, CORBA::Object_ptr obj, bool force)
  {
    if (!force)
    {
      try
      {
        CORBA::Object_var held;
        const Holder holder = holderOf(name, obj, held);
        reached();
        if (holder == Holder::This)
        {
          return true;
        }
        if (holder == Holder::Live)
        {
          warnOnce(name, "now names another running component; this one gets the name back when "
                         "that one exits");
          return true;
        }
      }
      catch (const CORBA::SystemException& e)
      {
        lost(e);
        return false;
      }
      catch (const CORBA::Exception&)
      {
        reached();
      }
    }
    return bind(name, obj);
  }

  NamingServer::Holder NamingServer::holderOf(const CosNaming::Name& name, CORBA::Object_ptr obj,
                                              CORBA::Object_var& held)
  {
    try
    {
      held = root()->resolve(name);
    }
    catch (const CosNaming::NamingContext::NotFound&)
    {
      return Holder::Nobody;
    }
    catch (const CosNaming::NamingContext::CannotProceed&)
    {
      return Holder::Nobody;
    }
    if (CORBA::is_nil(held))
    {
      return Holder::Nobody;
    }
    // Compares the references' addresses and keys locally; no call to the object.
    if (held->_is_equivalent(obj))
    {
      return Holder::This;
    }
    return answers(held) ? Holder::Live : Holder::Stale;
  }

  bool NamingServer::answers(CORBA::Object_ptr obj) const
  {
    try
    {
      omniORB::setClientCallTimeout(obj, callTimeoutMs_);
      return !obj->_non_existent();
    }
    catch (const CORBA::Exception&)
    {
      // Refused, unreachable, or silent past the timeout: nothing a client could use.
      return false;
    }
  }

  void NamingServer::warnOnce(const CosNaming::Name& name, const std::string& what)
  {
    if (!warned_.insert(text(name)).second)
    {
      return;
    }
    warn(text(name) + " in naming service " + address_ + " " + what +
         " (give each its own name, e.g. -o naming.formats:%h.host_cxt/OTHERNAME.rtc)");
  }

  CosNaming::Name NamingServer::toName(const std::string& path)
  {
    CosNaming::Name name;
    std::size_t start = 0;
    for (;;)
    {
      const auto slash = path.find('/', start);
      const std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
      if (!part.empty())
      {
        const auto dot = part.rfind('.');
        const CORBA::ULong i = name.length();
        name.length(i + 1);
        name[i].id = part.substr(0, dot).c_str();
        name[i].kind = dot == std::string::npos ? "" : part.substr(dot + 1).c_str();
      }
      if (slash == std::string::npos)
      {
        return name;
      }
      start = slash + 1;
    }
  }

  CosNaming::NamingContext_ptr NamingServer::root()
  {
    if (CORBA::is_nil(root_))
    {
      if (CORBA::is_nil(orb_))
      {
        throw CORBA::BAD_INV_ORDER();
      }
      // string_to_object on a corbaloc contacts nobody; a checked narrow would, before any
      // timeout is set, so the narrow is unchecked and the first real call finds out.
      CORBA::Object_var obj = orb_->string_to_object(corbaloc_.c_str());
      root_ = CosNaming::NamingContext::_unchecked_narrow(obj);
      // The call timeout also bounds connecting, so an unreachable host costs this at most.
      omniORB::setClientCallTimeout(root_, callTimeoutMs_);
    }
    return root_;
  }

  bool NamingServer::placeCreatingContexts(const CosNaming::Name& name, CORBA::Object_ptr obj, bool replace)
  {
    CosNaming::NamingContext_ptr ctx = root();
    const auto place = [&] {
      if (replace)
        ctx->rebind(name, obj);
      else
        ctx->bind(name, obj);
    };
    try
    {
      place();
      return true;
    }
    catch (const CosNaming::NamingContext::AlreadyBound&)
    {
      return false;
    }
    catch (const CosNaming::NamingContext::NotFound&)
    {}
    catch (const CosNaming::NamingContext::CannotProceed&)
    {}
    // Some context on the way is missing (a fresh or restarted server): create each
    // one from the root down, keeping those that exist, then bind the leaf.
    CosNaming::Name prefix;
    for (CORBA::ULong i = 0; i + 1 < name.length(); ++i)
    {
      prefix.length(i + 1);
      prefix[i] = name[i];
      try
      {
        CosNaming::NamingContext_var created = ctx->bind_new_context(prefix);
      }
      catch (const CosNaming::NamingContext::AlreadyBound&)
      {}
    }
    try
    {
      place();
    }
    catch (const CosNaming::NamingContext::AlreadyBound&)
    {
      return false;
    }
    return true;
  }

  void NamingServer::reached()
  {
    if (state_ == State::Unreachable)
    {
      RTM_LOG_INFO("naming", "naming service " << address_ << " is reachable again");
    }
    state_ = State::Reachable;
  }

  void NamingServer::lost(const CORBA::Exception& cause)
  {
    if (state_ != State::Unreachable)
    {
      // Once per outage: the retry timer would otherwise repeat this every interval.
      std::ostringstream message;
      message << "naming service " << address_ << " is not reachable; will retry every " << retryInterval_ << " s";
      warn(message.str());
    }
    RTM_LOG_DEBUG("naming", "naming service " << address_ << " (" << corbaloc_ << "): " << cause._name());
    state_ = State::Unreachable;
  }
}  // namespace rtm
