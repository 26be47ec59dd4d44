#include "client/NameIndex.h"

#include "client/Error.h"
#include "client/NameText.h"

namespace rtctl
{
  NameIndex::NameIndex(NameService& names, RtPath root) : m_names(names), m_root(std::move(root)) {}

  std::string NameIndex::pathOf(CORBA::Object_ptr component)
  {
    if (CORBA::is_nil(component))
      return {};
    if (!m_walked)
    {
      m_walked = true;
      try
      {
        collect(NameWalk(m_names, nullptr).read(m_root));
      }
      catch (const Error&)
      {
        // The service cannot be listed: no path to show, which the caller already allows for.
      }
    }
    for (const auto& entry : m_components)
    {
      // Compares the references locally; no call to either object.
      if (entry.second->_is_equivalent(component))
        return entry.first;
    }
    return {};
  }

  void NameIndex::collect(const NameWalk::Node& node)
  {
    for (const NameWalk::Node& child : node.children)
    {
      if (child.isContext)
        collect(child);
      else if (!child.skipped && NameText::isComponent(child.name) && !CORBA::is_nil(child.object))
        m_components.emplace_back(child.path.text(), CORBA::Object::_duplicate(child.object.in()));
    }
  }
}
