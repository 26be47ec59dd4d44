// The view as the page is sent it: { "roots": [...], "components": [...] }, each as SystemView's
// structs; a manager's node holds a node for each component it holds (by the component's key)
// and one for each slave ("kind": "slave") with those of its own, and says where it runs in
// "detail". A connection's "peers" are its far ends' names and "ends" the same as PeerEnd
// objects: the other ports of the view that list the same connector, else what the port's own
// name tells.
#pragma once

#include "client/SystemView.h"

#include <nlohmann/json.hpp>

namespace rtctl
{
  class ViewJson
  {
  public:
    static nlohmann::json of(const SystemView& view);
  };
}
