#include "OddNamingGraph.h"

#include "testsupport/ClosedPort.h"
#include "testsupport/NamingClient.h"

#include <omniORB4/Naming.hh>

#include <initializer_list>
#include <utility>

namespace e2e
{
  namespace
  {
    // Built by hand: the names here are the ones a path cannot spell.
    CosNaming::Name name(std::initializer_list<std::pair<const char*, const char*>> elements)
    {
      CosNaming::Name n;
      n.length(static_cast<CORBA::ULong>(elements.size()));
      CORBA::ULong i = 0;
      for (const auto& element : elements)
      {
        n[i].id = CORBA::string_dup(element.first);
        n[i++].kind = CORBA::string_dup(element.second);
      }
      return n;
    }
  }

  void bindOddNamingGraph(testsupport::NameServer& ns, const std::string& componentPath)
  {
    CORBA::ORB_ptr orb = testsupport::testOrb();
    CORBA::Object_var obj = orb->string_to_object(ns.corbaloc().c_str());
    CosNaming::NamingContext_var root = CosNaming::NamingContext::_narrow(obj.in());
    CosNaming::NamingContext_var loop = root->bind_new_context(name({{"loop", ""}}));
    root->bind_context(name({{"loop", ""}, {"up", ""}}), root.in());
    root->bind_context(name({{"loop", ""}, {"back", ""}}), loop.in());
    CORBA::Object_var live = testsupport::NamingClient(orb, ns.corbaloc()).resolve(componentPath);
    for (const char* id : {"a/b", "..", "\xff"})
    {
      CosNaming::NamingContext_var odd = root->bind_new_context(name({{id, ""}}));
      root->bind(name({{id, ""}, {"hidden", "rtc"}}), live.in());
    }
    CosNaming::NamingContext_var fake = root->bind_new_context(name({{"fake", "rtc"}}));
    const std::string gone = "corbaloc::127.0.0.1:" + std::to_string(testsupport::closedPort()) + "/Gone";
    CORBA::Object_var dead = orb->string_to_object(gone.c_str());
    root->bind(name({{"dead", "rtc"}}), dead.in());
  }
}
