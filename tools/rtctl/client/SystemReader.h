// The one reader of a running system: a SystemView through the naming services, the
// components' own references and the managers bound among them. serve reads what it shows and
// records whatever it cannot read in the view, so that nothing ends the reading; system save
// and graph read whole, and are told of what is left out.
#pragma once

#include "client/NameWalk.h"
#include "client/RtPath.h"
#include "client/Session.h"
#include "client/SystemView.h"

#include <omniORB4/CORBA.h>

#include <functional>
#include <string>
#include <vector>

namespace rtctl
{
  class ComponentRef;

  class SystemReader
  {
  public:
    enum Mode
    {
      // States, ports and connections; each call bounded to 2 s, so a frozen process costs a
      // short wait; a naming service, context or component that cannot be read is recorded as
      // such in the view, and the managers are read too.
      kView,
      // Also what a system file keeps of each component. A root that cannot be read is an
      // Error; below one, each thing not followed and each component that cannot be read whole
      // is left out and told to `report`, a line each.
      kWhole,
    };

    explicit SystemReader(Session& session, Mode mode = kView, NameWalk::Report report = nullptr)
      : m_session(session), m_mode(mode), m_report(std::move(report))
    {}

    // Whether a component found in the tree is to be read (by its key).
    typedef std::function<bool(const std::string& key)> Wanted;

    // The whole tree under each root, with every component in it that `wanted` asks for (all
    // when it is empty); the others are only named in the tree.
    SystemView read(const std::vector<RtPath>& roots, const Wanted& wanted = nullptr);
    // One component, resolved again through its naming service.
    SystemView::Component readComponent(const RtPath& path);
    // What each manager of the view holds, among the components of its tree; the same manager
    // under a second name is left out.
    void readManagers(SystemView& view);

    // The absolute form of a path, "/HOST:PORT/a/b.rtc", that the view and the page use as key
    // whichever way the user wrote it.
    static std::string keyOf(const RtPath& path);

  private:
    SystemView::Node readNode(const NameWalk::Node& walked, const Wanted& wanted, SystemView& view, bool isRoot);
    SystemView::Component readComponent(CORBA::Object_ptr obj, const RtPath& path);
    void readSaved(const ComponentRef& ref, SavedComponent& saved) const;

    Session& m_session;
    const Mode m_mode;
    const NameWalk::Report m_report;
  };
}
