// Renders DOT text to an SVG or PNG file with Graphviz's `dot` program. The picture is drawn
// beside the file and renamed into place, so a failed run leaves no half-drawn file behind.
#pragma once

#include <string>

namespace rtctl
{
  class GraphRenderer
  {
  public:
    // "svg" or "png" from the file's extension; UsageError for any other.
    static std::string format(const std::string& fileName);
    // Throws Error when dot is missing or fails, naming the file and dot's first complaint.
    static void render(const std::string& dotText, const std::string& fileName);
  };
}
