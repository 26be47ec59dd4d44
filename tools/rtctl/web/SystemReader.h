// Reads the system into a SystemView through the naming services, the components' own
// references and the managers bound among them. Nothing it meets ends the reading: a naming service that does not answer, a
// context that cannot be listed or a component whose process is gone is recorded as such in the
// view, and the rest is read all the same.
#pragma once

#include "web/SystemView.h"

#include "client/NameWalk.h"
#include "client/RtPath.h"
#include "client/Session.h"

#include <omniORB4/CORBA.h>

#include <functional>
#include <string>
#include <vector>

namespace rtctl
{
  class SystemReader
  {
  public:
    explicit SystemReader(Session& session) : m_session(session) {}

    // Whether a component found in the tree is to be read (by its key).
    typedef std::function<bool(const std::string& key)> Wanted;

    // The whole tree under each root, with every component in it that `wanted` asks for (all
    // when it is empty); the others are only named in the tree.
    SystemView read(const std::vector<RtPath>& roots, const Wanted& wanted = nullptr);
    // One component, resolved again through its naming service.
    SystemView::Component readComponent(const RtPath& path);

    // The absolute form of a path, "/HOST:PORT/a/b.rtc", that the view and the page use as key
    // whichever way the user wrote it.
    static std::string keyOf(const RtPath& path);

  private:
    // The managers the walk found: what each holds, among the components of the tree.
    void readManagers(SystemView& view);
    SystemView::Node readNode(const NameWalk::Node& walked, const Wanted& wanted, SystemView& view);
    SystemView::Component readComponent(CORBA::Object_ptr obj, const RtPath& path);

    Session& m_session;
  };
}
