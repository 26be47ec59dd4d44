// Reads the system into a SystemView through the naming services and the components' own
// references. Nothing it meets ends the reading: a naming service that does not answer, a
// context that cannot be listed or a component whose process is gone is recorded as such in the
// view, and the rest is read all the same.
#pragma once

#include "SystemView.h"

#include "RtPath.h"
#include "Session.h"

#include <omniORB4/CORBA.h>

#include <vector>

namespace rtctl
{
  class SystemReader
  {
  public:
    explicit SystemReader(Session& session) : m_session(session) {}

    // The whole tree under each root, with every component in it.
    SystemView read(const std::vector<RtPath>& roots);
    // One component, resolved again through its naming service.
    SystemView::Component readComponent(const RtPath& path);

    // The absolute form of a path, "/HOST:PORT/a/b.rtc", that the view and the page use as key
    // whichever way the user wrote it.
    static std::string keyOf(const RtPath& path);

  private:
    SystemView::Node readNode(const RtPath& path, const std::string& name, bool isContext,
                              SystemView& view, int depth);
    SystemView::Component readComponent(CORBA::Object_ptr obj, const RtPath& path);

    Session& m_session;
  };
}
