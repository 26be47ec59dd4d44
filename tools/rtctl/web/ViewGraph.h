// The graph of what the page shows, drawn by the same code as `rtctl system graph`: the view's
// SystemProfile, which SystemGraph turns into DOT (records with inputs left and outputs right,
// coloured by state, edges labelled with the subscription type, each manager a cluster around
// what it holds) and Graphviz's dot into SVG.
#pragma once

#include "client/SystemView.h"

#include <string>

namespace rtctl
{
  class ViewGraph
  {
  public:
    // The picture as an <svg> element; throws Error when dot is missing or fails.
    static std::string svg(const SystemView& view);
  };
}
