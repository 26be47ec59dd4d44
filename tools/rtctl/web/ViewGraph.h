// The graph of what the page shows, drawn by the same code as `rtctl system graph`: the view's
// components and the connections between two of them become a SystemProfile, which SystemGraph
// turns into DOT (records with inputs left and outputs right, coloured by state, edges labelled
// with the subscription type, each manager a cluster around what it holds) and Graphviz's dot
// into SVG.
#pragma once

#include "web/SystemView.h"

#include "client/SystemProfile.h"

#include <map>
#include <string>

namespace rtctl
{
  class ViewGraph
  {
  public:
    // The view as a system profile, and each component's state by its path URI. A connection
    // to a port outside the view (rtctl's own plot component) is left out, as the system
    // commands leave it out.
    static SystemProfile profile(const SystemView& view, std::map<std::string, std::string>& states);
    // The picture as an <svg> element; throws Error when dot is missing or fails.
    static std::string svg(const SystemView& view);
  };
}
