#include <rtm/CorbaNaming.h>

namespace RTC
{
  CorbaNaming::CorbaNaming(CORBA::ORB_ptr orb) : m_varORB(CORBA::ORB::_duplicate(orb)) {}

  CorbaNaming::CorbaNaming(CORBA::ORB_ptr orb, const char* name_server) : m_varORB(CORBA::ORB::_duplicate(orb))
  {
    init(name_server);
  }

  void CorbaNaming::init(const char* name_server)
  {
    m_nameServer = "corbaloc::" + std::string(name_server != nullptr ? name_server : "") + "/NameService";
    CORBA::Object_var obj = m_varORB->string_to_object(m_nameServer.c_str());
    m_rootContext = CosNaming::NamingContext::_narrow(obj.in());
    if (CORBA::is_nil(m_rootContext))
      throw CORBA::OBJECT_NOT_EXIST(0, CORBA::COMPLETED_NO);
  }

  bool CorbaNaming::isNamingContext(CORBA::Object_ptr obj)
  {
    CosNaming::NamingContext_var context = CosNaming::NamingContext::_narrow(obj);
    return !CORBA::is_nil(context);
  }

  void CorbaNaming::bind(const CosNaming::Name& name, CORBA::Object_ptr obj, const bool force)
  {
    bindAt(name, obj, force, false);
  }

  void CorbaNaming::bindByString(const char* string_name, CORBA::Object_ptr obj, const bool force)
  {
    bind(toName(string_name), obj, force);
  }

  void CorbaNaming::rebind(const CosNaming::Name& name, CORBA::Object_ptr obj, const bool force)
  {
    bindAt(name, obj, force, true);
  }

  void CorbaNaming::rebindByString(const char* string_name, CORBA::Object_ptr obj, const bool force)
  {
    rebind(toName(string_name), obj, force);
  }

  CORBA::Object_ptr CorbaNaming::resolve(const CosNaming::Name& name) { return m_rootContext->resolve(name); }

  CORBA::Object_ptr CorbaNaming::resolve(const char* string_name) { return resolve(toName(string_name)); }

  void CorbaNaming::unbind(const CosNaming::Name& name) { m_rootContext->unbind(name); }

  void CorbaNaming::unbind(const char* string_name) { unbind(toName(string_name)); }

  CosNaming::NamingContext_ptr CorbaNaming::newContext() { return m_rootContext->new_context(); }

  CosNaming::NamingContext_ptr CorbaNaming::bindNewContext(const CosNaming::Name& name, bool force)
  {
    if (force && name.length() > 1)
    {
      CosNaming::NamingContext_var parent = contextOf(name, true);
      (void)parent;
    }
    return m_rootContext->bind_new_context(name);
  }

  CosNaming::Name CorbaNaming::toName(const char* string_name)
  {
    const std::string text = string_name != nullptr ? string_name : "";
    if (text.empty())
      throw InvalidName();
    CosNaming::Name name;
    std::string::size_type start = 0;
    while (start <= text.size())
    {
      std::string::size_type end = text.find('/', start);
      if (end == std::string::npos)
        end = text.size();
      const std::string part = text.substr(start, end - start);
      if (part.empty())
        throw InvalidName();
      const std::string::size_type dot = part.rfind('.');
      const CORBA::ULong n = name.length();
      name.length(n + 1);
      name[n].id = CORBA::string_dup(part.substr(0, dot).c_str());
      name[n].kind = CORBA::string_dup(dot == std::string::npos ? "" : part.substr(dot + 1).c_str());
      start = end + 1;
    }
    return name;
  }

  std::string CorbaNaming::toString(const CosNaming::Name& name)
  {
    std::string text;
    for (CORBA::ULong i = 0; i < name.length(); ++i)
    {
      if (i != 0)
        text += "/";
      const std::string id = static_cast<const char*>(name[i].id);
      const std::string kind = static_cast<const char*>(name[i].kind);
      text += id;
      // The dot the reading splits at: written whenever leaving it out would read otherwise.
      if (!kind.empty())
        text += "." + kind;
      else if (id.empty() || id.find('.') != std::string::npos)
        text += ".";
    }
    return text;
  }

  CosNaming::NamingContext_ptr CorbaNaming::getRootContext()
  {
    return CosNaming::NamingContext::_duplicate(m_rootContext.in());
  }

  // The context that holds the last part of `name`, made on the way when `force` says so.
  CosNaming::NamingContext_ptr CorbaNaming::contextOf(const CosNaming::Name& name, bool force)
  {
    CosNaming::NamingContext_var context = CosNaming::NamingContext::_duplicate(m_rootContext.in());
    for (CORBA::ULong i = 0; i + 1 < name.length(); ++i)
    {
      CosNaming::Name part;
      part.length(1);
      part[0] = name[i];
      CosNaming::NamingContext_var next;
      try
      {
        CORBA::Object_var obj = context->resolve(part);
        next = CosNaming::NamingContext::_narrow(obj.in());
        if (CORBA::is_nil(next))
          throw CannotProceed(context.in(), part);
      }
      catch (const NotFound&)
      {
        if (!force)
          throw;
        next = context->bind_new_context(part);
      }
      context = next._retn();
    }
    return context._retn();
  }

  void CorbaNaming::bindAt(const CosNaming::Name& name, CORBA::Object_ptr obj, bool force, bool replace)
  {
    if (name.length() == 0)
      throw InvalidName();
    CosNaming::NamingContext_var context = contextOf(name, force);
    CosNaming::Name last;
    last.length(1);
    last[0] = name[name.length() - 1];
    if (replace)
      context->rebind(last, obj);
    else
      context->bind(last, obj);
  }
}  // namespace RTC
