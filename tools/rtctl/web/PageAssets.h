// The page's static files (HTML, CSS, JavaScript), built into the program from the files beside
// this one, so that an installed rtctl serves its page without a source tree.
#pragma once

#include <cstddef>
#include <string>

namespace rtctl
{
  class PageAssets
  {
  public:
    struct Asset
    {
      const char* path;  // "/app.js"
      const char* contentType;  // "text/javascript; charset=utf-8"
      const unsigned char* data;
      size_t size;
    };

    // The asset served at `path` ("/" is the page itself); nullptr when there is none.
    static const Asset* find(const std::string& path);
  };
}
