#include "NameIndex.h"

#include "Error.h"

namespace rtctl
{
  namespace
  {
    bool isComponentName(const std::string& name)
    {
      return name.size() > 4 && name.compare(name.size() - 4, 4, ".rtc") == 0;
    }
  }

  NameIndex::NameIndex(NameService& names, RtPath root) : m_names(names), m_root(std::move(root)) {}

  std::string NameIndex::pathOf(CORBA::Object_ptr component)
  {
    if (CORBA::is_nil(component))
      return {};
    if (!m_walked)
    {
      m_walked = true;
      walk(m_root, 0);
    }
    for (const auto& entry : m_components)
    {
      // Compares the references locally; no call to either object.
      if (entry.second->_is_equivalent(component))
        return entry.first;
    }
    return {};
  }

  void NameIndex::walk(const RtPath& context, int depth)
  {
    if (depth > kMaxDepth || m_components.size() >= kMaxComponents)
      return;
    std::vector<NameService::Entry> entries;
    try
    {
      CosNaming::NamingContext_var ctx = m_names.context(context);
      entries = m_names.list(ctx.in(), context);
    }
    catch (const Error&)
    {
      return;
    }
    for (const NameService::Entry& entry : entries)
    {
      const RtPath child = context.child(entry.name);
      if (entry.isContext)
      {
        walk(child, depth + 1);
      }
      else if (isComponentName(entry.name) && m_components.size() < kMaxComponents)
      {
        try
        {
          CORBA::Object_var obj = m_names.resolve(child);
          m_components.emplace_back(child.text(), obj._retn());
        }
        catch (const Error&)
        {
        }
      }
    }
  }
}
