// Finds the TLS library (librtm_tls.so) and loads it, once a process asks for TLS: OpenSSL then
// costs nothing in a process that does not.
#pragma once

#include <rtm/detail/TlsLibraryApi.h>

#include <string>

namespace rtm
{
  class TlsLoader
  {
  public:
    // The library's table, loaded on the first call; nullptr, with why() saying what is missing
    // and what to do, when it cannot be loaded.
    static const TlsLibraryApi* load();
    static std::string why();
    // The table if an earlier load() succeeded; never loads.
    static const TlsLibraryApi* loaded();
  };
}
