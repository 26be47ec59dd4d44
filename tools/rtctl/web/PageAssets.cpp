#include "web/PageAssets.h"

namespace rtctl
{
  // Generated at build time from the page's files (EmbedAssets.cmake).
  extern const PageAssets::Asset kPageAssets[];
  extern const size_t kPageAssetCount;

  const PageAssets::Asset* PageAssets::find(const std::string& path)
  {
    const std::string wanted = path == "/" ? "/index.html" : path;
    for (size_t i = 0; i < kPageAssetCount; ++i)
      if (wanted == kPageAssets[i].path)
        return &kPageAssets[i];
    return nullptr;
  }
}
