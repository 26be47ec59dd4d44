// Reads running managers into the clusters a picture of the system draws. A master binds itself
// in naming (NAME.mgr); its slaves are found through it. Each component a manager holds is named
// by the bound component whose reference is equivalent to it, so that the cluster holds the same
// nodes as the rest of the picture; a master's own components are those of its list that none
// of its slaves holds.
#pragma once

#include "client/ManagerCluster.h"
#include "client/ManagerRef.h"
#include "client/Session.h"

#include <utility>
#include <vector>

namespace rtctl
{
  class ManagerReader
  {
  public:
    // The components bound under the names read: path URI and reference.
    typedef std::vector<std::pair<std::string, CORBA::Object_var>> BoundComponents;

    ManagerReader(Session& session, BoundComponents bound);

    // The manager bound at `path`, named by its names in the naming service
    // ("myhost.host_cxt/manager.mgr"). Never throws: a manager or slave that cannot be read has
    // its `problem` set. False for a manager already read under another name, so that it is
    // drawn once.
    bool read(const RtPath& path, ManagerCluster& out);

  private:
    void readComponents(const ManagerRef& manager, ManagerCluster& out) const;
    // The components listed that a slave does not hold already, named by their bound paths.
    void place(const RTC::RTCList& components, const std::vector<RTC::RTObject_var>& elsewhere,
               ManagerCluster& out) const;
    bool seen(RTM::Manager_ptr manager);

    Session& m_session;
    BoundComponents m_bound;
    std::vector<RTM::Manager_var> m_seen;
  };
}
