#include "client/NameService.h"

#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/Session.h"

#include <algorithm>

namespace rtctl
{
  namespace
  {
    const CORBA::ULong kListChunk = 1000;
  }

  NameService::NameService(CORBA::ORB_ptr orb, const std::string& server) : m_server(server)
  {
    try
    {
      CORBA::Object_var obj = orb->string_to_object(("corbaloc::" + server + "/NameService").c_str());
      // No remote type check here: the first real call tells whether anything answers.
      m_root = CosNaming::NamingContext::_unchecked_narrow(obj.in());
    }
    catch (const CORBA::Exception& e)
    {
      throw UsageError("'" + server + "' is not a naming service address (" + e._name() + ")");
    }
  }

  CosNaming::NameComponent NameService::toComponent(const std::string& text)
  {
    CosNaming::NameComponent component;
    const std::string::size_type dot = text.rfind('.');
    if (dot == std::string::npos)
    {
      component.id = CORBA::string_dup(text.c_str());
      component.kind = CORBA::string_dup("");
    }
    else
    {
      component.id = CORBA::string_dup(text.substr(0, dot).c_str());
      component.kind = CORBA::string_dup(text.substr(dot + 1).c_str());
    }
    return component;
  }

  std::string NameService::toText(const CosNaming::NameComponent& component)
  {
    std::string text = static_cast<const char*>(component.id);
    const std::string kind = static_cast<const char*>(component.kind);
    if (!kind.empty())
      text += "." + kind;
    return text;
  }

  std::string NameService::unreachableHint(const RtPath& path)
  {
    if (path.serverInPath() && !path.serverPortGiven())
      return "a leading '/' makes '" + path.serverElement() +
             "' a naming service address; without the '/' the path lives in the default naming service (" +
             Session::defaultServer() + ")";
    if (!path.serverInPath() && Session::defaultServerFromEnvironment())
      return "start one there or set RTCTL_NAMESERVER to one that runs";
    return "start one there or name another (RTCTL_NAMESERVER, or /HOST:PORT/...)";
  }

  void NameService::fail(const RtPath& path, const CORBA::Exception& e) const
  {
    if (CosNaming::NamingContext::NotFound::_downcast(&e) != nullptr ||
        CosNaming::NamingContext::CannotProceed::_downcast(&e) != nullptr)
      throw Error("no such object: " + path.componentText());
    if (CosNaming::NamingContext::InvalidName::_downcast(&e) != nullptr)
      throw Error("'" + path.componentText() + "' is not a valid name");
    if (CORBA::SystemException::_downcast(&e) != nullptr)
      throw UnansweredError("the naming service at " + m_server + " " + CorbaText::exception(e) + "; " +
                            unreachableHint(path));
    throw Error("naming service at " + m_server + ": " + e._name() + " for " + path.componentText());
  }

  CORBA::Object_ptr NameService::resolve(const RtPath& path)
  {
    try
    {
      if (path.isRoot())
      {
        // Makes an unreachable service fail here, as a resolve would.
        if (m_root->_non_existent())
          throw Error("the naming service at " + m_server + " no longer exists");
        return CosNaming::NamingContext::_duplicate(m_root.in());
      }
      CosNaming::Name name;
      name.length(static_cast<CORBA::ULong>(path.names().size()));
      for (size_t i = 0; i < path.names().size(); ++i)
        name[static_cast<CORBA::ULong>(i)] = toComponent(path.names()[i]);
      return m_root->resolve(name);
    }
    catch (const CORBA::Exception& e)
    {
      fail(path, e);
    }
  }

  bool NameService::isContext(CORBA::Object_ptr obj) { return obj->_is_a("IDL:omg.org/CosNaming/NamingContext:1.0"); }

  CosNaming::NamingContext_ptr NameService::context(const RtPath& path)
  {
    CORBA::Object_var obj = resolve(path);
    try
    {
      if (path.isRoot() || isContext(obj.in()))
        return CosNaming::NamingContext::_unchecked_narrow(obj.in());
    }
    catch (const CORBA::Exception& e)
    {
      throw Error(path.componentText() + " " + CorbaText::exception(e));
    }
    throw Error(path.componentText() + " is not a naming context");
  }

  std::vector<NameService::Entry> NameService::list(CosNaming::NamingContext_ptr context, const RtPath& path)
  {
    std::vector<Entry> entries;
    try
    {
      CosNaming::BindingList_var bindings;
      CosNaming::BindingIterator_var rest;
      context->list(kListChunk, bindings.out(), rest.out());
      auto take = [&entries](const CosNaming::BindingList& list) {
        for (CORBA::ULong i = 0; i < list.length(); ++i)
        {
          const CosNaming::Name& name = list[i].binding_name;
          if (name.length() == 0)
            continue;
          entries.push_back(
            {toText(name[name.length() - 1]), list[i].binding_type == CosNaming::ncontext, name[name.length() - 1]});
        }
      };
      take(bindings.in());
      if (!CORBA::is_nil(rest))
      {
        CosNaming::BindingList_var more;
        while (entries.size() < kMaxListed && rest->next_n(kListChunk, more.out()))
          take(more.in());
        rest->destroy();
      }
    }
    catch (const CORBA::Exception& e)
    {
      fail(path, e);
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
  }
}
