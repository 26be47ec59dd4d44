#include "client/NameWalk.h"

#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/NameText.h"

namespace rtctl
{
  namespace
  {
    const CORBA::ULong kHashRange = 1u << 20;

    std::string shown(const RtPath& path)
    {
      const std::string text = path.componentText();
      return text.empty() ? "the root of " + path.server() : text;
    }
  }

  NameWalk::NameWalk(NameService& names, Report report, bool recursive)
    : m_names(names), m_report(std::move(report)), m_recursive(recursive)
  {}

  NameWalk::Node NameWalk::read(const RtPath& root)
  {
    Node node;
    node.name = root.isRoot() ? std::string() : root.names().back();
    node.path = root;
    node.isContext = true;
    CosNaming::NamingContext_var context = m_names.context(root);
    node.object = CORBA::Object::_duplicate(context.in());
    // Lists first, so that a root that cannot be listed throws as a single context would.
    const std::vector<NameService::Entry> entries = m_names.list(context.in(), root);
    try
    {
      seenAs(context.in(), shown(root));
    }
    catch (const CORBA::Exception&)
    {
      // A reference that cannot be hashed is only not remembered: the depth bound still holds.
    }
    readEntries(node, context.in(), entries, 0);
    return node;
  }

  void NameWalk::readEntries(Node& node, CosNaming::NamingContext_ptr context,
                             const std::vector<NameService::Entry>& entries, int depth)
  {
    for (const NameService::Entry& entry : entries)
    {
      if (m_entries >= kMaxEntries)
      {
        leaveOut(node, "not listed whole: the walk stops after " + std::to_string(kMaxEntries) + " entries");
        return;
      }
      ++m_entries;
      node.children.push_back(entryNode(node, context, entry, depth + 1));
    }
  }

  void NameWalk::leaveOut(Node& node, const std::string& why)
  {
    node.problem = why;
    if (m_report)
      m_report((node.skipped ? node.path.componentText() : shown(node.path)) + ": " + why);
  }

  std::string NameWalk::seenAs(CORBA::Object_ptr context, const std::string& path)
  {
    // Both calls compare the references locally; neither asks the object.
    const CORBA::ULong hash = context->_hash(kHashRange);
    const auto range = m_seen.equal_range(hash);
    for (auto it = range.first; it != range.second; ++it)
      if (it->second.first->_is_equivalent(context))
        return it->second.second;
    m_seen.emplace(hash, std::make_pair(CORBA::Object::_duplicate(context), path));
    return std::string();
  }

  NameWalk::Node NameWalk::entryNode(const Node& parent, CosNaming::NamingContext_ptr context,
                                     const NameService::Entry& entry, int depth)
  {
    Node node;
    node.isContext = entry.isContext;
    const std::string odd = NameText::oddity(entry.component);
    if (!odd.empty())
    {
      node.name = NameText::printable(entry.name);
      node.path = parent.path.child(node.name);
      node.skipped = true;
      leaveOut(node, "left out: " + odd);
      return node;
    }
    node.name = entry.name;
    node.path = parent.path.child(entry.name);
    if (entry.isContext && (NameText::isComponent(entry.name) || NameText::isManager(entry.name)))
    {
      node.skipped = true;
      leaveOut(node, "left out: bound as a naming context, though its kind names a component or a manager");
      return node;
    }
    if (entry.isContext ? !m_recursive : !NameText::isComponent(entry.name) && !NameText::isManager(entry.name))
      return node;

    // Resolved from the context in hand by the name as bound, never again from text.
    try
    {
      CosNaming::Name name;
      name.length(1);
      name[0] = entry.component;
      node.object = context->resolve(name);
    }
    catch (const CORBA::Exception& e)
    {
      const std::string why = "cannot be resolved: " + CorbaText::exception(e);
      if (entry.isContext)
        leaveOut(node, "not listed: it " + why);
      else
        node.problem = why;  // the reader of a component says so in its own words
      return node;
    }
    if (entry.isContext)
      readContext(node, CosNaming::NamingContext::_unchecked_narrow(node.object.in()), depth);
    return node;
  }

  void NameWalk::readContext(Node& node, CosNaming::NamingContext_ptr context, int depth)
  {
    if (depth >= kMaxDepth)
    {
      leaveOut(node, "not listed: deeper than " + std::to_string(kMaxDepth) + " contexts");
      return;
    }
    std::string earlier;
    try
    {
      earlier = seenAs(context, shown(node.path));
    }
    catch (const CORBA::Exception&)
    {}
    if (!earlier.empty())
    {
      leaveOut(node, "not followed: the same context as " + earlier + " (the naming graph loops or binds it twice)");
      return;
    }
    std::vector<NameService::Entry> entries;
    try
    {
      entries = m_names.list(context, node.path);
    }
    catch (const Error& e)
    {
      leaveOut(node, std::string("not listed: ") + e.what());
      return;
    }
    readEntries(node, context, entries, depth);
  }
}
