// The components bound in one naming service, looked up by reference: a port's profile names
// the component at the other end of a connection only as an object, and two components of one
// type in two processes may carry the same instance name, so the path is what tells them apart.
#pragma once

#include "client/NameService.h"
#include "client/NameWalk.h"
#include "client/RtPath.h"

#include <omniORB4/CORBA.h>

#include <string>
#include <utility>
#include <vector>

namespace rtctl
{
  class NameIndex
  {
  public:
    // `root` is the root of the naming service to search, written as the user wrote theirs
    // (with or without the leading "/HOST:PORT"), so found paths come out in the same form.
    NameIndex(NameService& names, RtPath root);

    // The path `component` is bound under, or "" when it is bound nowhere in this service.
    // The service is walked once, on first use; what the walk cannot follow is left out, quietly:
    // a path shown next to a port is a courtesy, and ls or save say what the tree holds.
    std::string pathOf(CORBA::Object_ptr component);

  private:
    void collect(const NameWalk::Node& node);

    NameService& m_names;
    RtPath m_root;
    bool m_walked = false;
    std::vector<std::pair<std::string, CORBA::Object_var>> m_components;
  };
}
