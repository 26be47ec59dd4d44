// The one walk of a naming tree that every reader of a whole tree shares (ls -R, watch, system
// save and graph, serve, the index of paths by reference). A naming service is a graph, not a
// tree: a context may be bound inside itself or a descendant, or under two names, and entries may
// carry names no path can spell. The walk follows each context once, to a bounded depth, and
// reports once what it does not follow, so a reader always ends and keeps what it could read.
//
//   NameWalk walk(names, [](const std::string& line) { std::cerr << "rtctl: ls: " << line << '\n'; });
//   const NameWalk::Node tree = walk.read(path);
#pragma once

#include "client/NameService.h"
#include "client/RtPath.h"

#include <omniORB4/CORBA.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace rtctl
{
  class NameWalk
  {
  public:
    struct Node
    {
      std::string name;  // "id.kind"; for a skipped entry, its printable text
      RtPath path;
      bool isContext = false;
      bool skipped = false;  // an entry the walk leaves out; `problem` says why
      // Contexts, components and managers; nil when it could not be resolved or is not needed.
      CORBA::Object_var object;
      std::string problem;  // why a context was not followed or an object not resolved
      std::vector<Node> children;
    };

    // `report` hears one line for each thing not followed or left out (may be empty).
    typedef std::function<void(const std::string& line)> Report;

    // Not `recursive`: the root's own entries only, its contexts neither resolved nor listed.
    NameWalk(NameService& names, Report report, bool recursive = true);

    // The tree under the context `root`. Throws Error when the root itself cannot be listed;
    // below it nothing throws.
    Node read(const RtPath& root);

    // Deep enough for any tree a system builds; it only cuts a strange one short.
    static constexpr int kMaxDepth = 16;
    // Bounds what one walk holds of a service that lists without end.
    static constexpr size_t kMaxEntries = 100000;

  private:
    void readContext(Node& node, CosNaming::NamingContext_ptr context, int depth);
    void readEntries(Node& node, CosNaming::NamingContext_ptr context, const std::vector<NameService::Entry>& entries,
                     int depth);
    Node entryNode(const Node& parent, CosNaming::NamingContext_ptr context, const NameService::Entry& entry,
                   int depth);
    // The path this context was first reached under, or "" when it is new (and now seen).
    std::string seenAs(CORBA::Object_ptr context, const std::string& path);
    void leaveOut(Node& node, const std::string& why);

    NameService& m_names;
    Report m_report;
    const bool m_recursive;
    size_t m_entries = 0;
    // Contexts reached, by their reference's hash: two bindings of one context compare equal.
    std::multimap<CORBA::ULong, std::pair<CORBA::Object_var, std::string>> m_seen;
  };
}
