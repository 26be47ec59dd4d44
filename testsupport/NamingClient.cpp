#include "testsupport/NamingClient.h"

#include <algorithm>

namespace testsupport
{
  namespace
  {

    // After the naming service restarts, our ORB still holds its pooled connections to the old
    // process; a call over each of them fails with COMM_FAILURE without reaching the new one, and
    // closes it. Retrying past at most a full pool (omniORB's default maxGIOPConnectionPerServer is 5)
    // reaches the new process, so a test sees the service as it is now rather than this artefact.
    // A service that is down answers TRANSIENT instead and is not retried.
    template <typename Call>
    auto onFreshConnectionIfStale(Call&& call) -> decltype(call())
    {
      constexpr int kStaleConnectionsAtMost = 5;
      for (int attempt = 0;; ++attempt)
      {
        try
        {
          return call();
        }
        catch (const CORBA::COMM_FAILURE&)
        {
          if (attempt == kStaleConnectionsAtMost)
          {
            throw;
          }
        }
      }
    }

  }  // namespace

  NamingClient::NamingClient(CORBA::ORB_ptr orb, const std::string& corbaloc)
  {
    if (CORBA::is_nil(orb))
    {
      return;
    }
    try
    {
      CORBA::Object_var object = orb->string_to_object(corbaloc.c_str());
      // An unchecked narrow sends nothing, so the service may be down (or not yet up) now.
      root_ = CosNaming::NamingContext::_unchecked_narrow(object);
    }
    catch (const CORBA::Exception&)
    {
      root_ = CosNaming::NamingContext::_nil();
    }
  }

  CosNaming::Name NamingClient::toName(const std::string& path)
  {
    CosNaming::Name name;
    std::size_t begin = 0;
    while (begin <= path.size())
    {
      std::size_t end = path.find('/', begin);
      if (end == std::string::npos)
      {
        end = path.size();
      }
      const std::string part = path.substr(begin, end - begin);
      begin = end + 1;
      if (part.empty())
      {
        continue;  // tolerate leading, trailing and doubled slashes
      }
      const std::size_t dot = part.rfind('.');
      const CORBA::ULong index = name.length();
      name.length(index + 1);
      name[index].id = CORBA::string_dup(part.substr(0, dot).c_str());
      name[index].kind = CORBA::string_dup(dot == std::string::npos ? "" : part.substr(dot + 1).c_str());
    }
    return name;
  }

  std::string NamingClient::toString(const CosNaming::NameComponent& component)
  {
    std::string text = static_cast<const char*>(component.id);
    const std::string kind = static_cast<const char*>(component.kind);
    return kind.empty() ? text : text + "." + kind;
  }

  CORBA::Object_ptr NamingClient::resolve(const std::string& path)
  {
    const CosNaming::Name name = toName(path);
    if (CORBA::is_nil(root_) || name.length() == 0)
    {
      return CORBA::Object::_nil();
    }
    try
    {
      return onFreshConnectionIfStale([&] { return root_->resolve(name); });
    }
    catch (const CORBA::Exception&)
    {
      return CORBA::Object::_nil();
    }
  }

  bool NamingClient::isBound(const std::string& path)
  {
    CORBA::Object_var object = resolve(path);
    return !CORBA::is_nil(object);
  }

  std::vector<std::string> NamingClient::list(const std::string& contextPath)
  {
    std::vector<std::string> entries;
    auto collect = [&] {
      entries.clear();
      CosNaming::NamingContext_var context;
      if (toName(contextPath).length() == 0)
      {
        context = CosNaming::NamingContext::_duplicate(root_);
      }
      else
      {
        CORBA::Object_var object = resolve(contextPath);
        context = CosNaming::NamingContext::_narrow(object);
      }
      if (CORBA::is_nil(context))
      {
        return;
      }
      constexpr CORBA::ULong kBatch = 1000;
      CosNaming::BindingList_var batch;
      CosNaming::BindingIterator_var rest;
      context->list(kBatch, batch.out(), rest.out());
      for (bool more = true; more;)
      {
        for (CORBA::ULong i = 0; i < batch->length(); ++i)
        {
          const CosNaming::Name& name = batch[i].binding_name;
          if (name.length() > 0)
          {
            entries.push_back(toString(name[name.length() - 1]));
          }
        }
        more = !CORBA::is_nil(rest) && rest->next_n(kBatch, batch.out());
      }
      if (!CORBA::is_nil(rest))
      {
        rest->destroy();
      }
    };
    try
    {
      onFreshConnectionIfStale(collect);
    }
    catch (const CORBA::Exception&)
    {
      entries.clear();
    }
    std::sort(entries.begin(), entries.end());
    return entries;
  }

  bool NamingClient::bind(const std::string& path, CORBA::Object_ptr obj)
  {
    const CosNaming::Name name = toName(path);
    if (CORBA::is_nil(root_) || name.length() == 0)
    {
      return false;
    }
    auto bindAlongPath = [&]() -> bool {
      CosNaming::NamingContext_var context = CosNaming::NamingContext::_duplicate(root_);
      for (CORBA::ULong i = 0; i + 1 < name.length(); ++i)
      {
        CosNaming::Name step;
        step.length(1);
        step[0] = name[i];
        try
        {
          context = context->bind_new_context(step);
        }
        catch (const CosNaming::NamingContext::AlreadyBound&)
        {
          CORBA::Object_var existing = context->resolve(step);
          context = CosNaming::NamingContext::_narrow(existing);
          if (CORBA::is_nil(context))
          {
            return false;  // an object, not a context, sits on the way
          }
        }
      }
      CosNaming::Name leaf;
      leaf.length(1);
      leaf[0] = name[name.length() - 1];
      context->rebind(leaf, obj);
      return true;
    };
    try
    {
      return onFreshConnectionIfStale(bindAlongPath);
    }
    catch (const CORBA::Exception&)
    {
      return false;
    }
  }

  bool NamingClient::unbind(const std::string& path)
  {
    const CosNaming::Name name = toName(path);
    if (CORBA::is_nil(root_) || name.length() == 0)
    {
      return false;
    }
    try
    {
      onFreshConnectionIfStale([&] { root_->unbind(name); });
      return true;
    }
    catch (const CORBA::Exception&)
    {
      return false;
    }
  }

  bool NamingClient::reachable()
  {
    if (CORBA::is_nil(root_))
    {
      return false;
    }
    try
    {
      return !onFreshConnectionIfStale([&] { return root_->_non_existent(); });
    }
    catch (const CORBA::Exception&)
    {
      return false;
    }
  }

  CORBA::ORB_ptr testOrb()
  {
    // Deliberately leaked: releasing the ORB during static destruction races omniORB's own teardown.
    static CORBA::ORB_ptr orb = [] {
      std::string storage[] = {"testsupport", "-ORBendPoint", "giop:tcp:127.0.0.1:", "-ORBclientCallTimeOutPeriod",
                               "5000"};
      char* argv[] = {storage[0].data(), storage[1].data(), storage[2].data(),
                      storage[3].data(), storage[4].data(), nullptr};
      int argc = 5;
      CORBA::ORB_var created = CORBA::ORB_init(argc, argv);
      CORBA::Object_var object = created->resolve_initial_references("RootPOA");
      PortableServer::POA_var poa = PortableServer::POA::_narrow(object);
      PortableServer::POAManager_var manager = poa->the_POAManager();
      manager->activate();
      return created._retn();
    }();
    return orb;
  }

}  // namespace testsupport
