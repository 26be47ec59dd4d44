// One naming service, reached by the address of a path: resolving names in it and listing its
// contexts. Every failure becomes an Error that names the path and the service.
#pragma once

#include "client/RtPath.h"

#include <omniORB4/CORBA.h>
#include <omniORB4/Naming.hh>

#include <string>
#include <vector>

namespace rtctl
{
  class NameService
  {
  public:
    struct Entry
    {
      std::string name;  // "id.kind", or "id" when the kind is empty
      bool isContext;
      // The name as bound: the text above may not read back as it (see NameText::oddity).
      CosNaming::NameComponent component = CosNaming::NameComponent();
    };

    NameService(CORBA::ORB_ptr orb, const std::string& server);

    // The object the path names (the caller owns it). Throws Error: service unreachable, no such
    // name.
    CORBA::Object_ptr resolve(const RtPath& path);
    // The context the path names; throws Error if it names something else.
    CosNaming::NamingContext_ptr context(const RtPath& path);
    // The entries of a context, sorted by name; at most kMaxListed of a context that never ends.
    std::vector<Entry> list(CosNaming::NamingContext_ptr context, const RtPath& path);
    // True if the object is a naming context (asks the object).
    static bool isContext(CORBA::Object_ptr obj);

    // "a.b" → id "a", kind "b": the last '.' separates them, so dotted host names keep their dots.
    static CosNaming::NameComponent toComponent(const std::string& text);
    static std::string toText(const CosNaming::NameComponent& component);

    static constexpr size_t kMaxListed = 100000;

  private:
    [[noreturn]] void fail(const RtPath& path, const CORBA::Exception& e) const;
    // What to do about a naming service that does not answer, by where its address came from.
    static std::string unreachableHint(const RtPath& path);

    std::string m_server;
    CosNaming::NamingContext_var m_root;
  };
}
