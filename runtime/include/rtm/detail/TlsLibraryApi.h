// What the TLS library (librtm_tls.so: omniORB's SSL transport and OpenSSL) offers the program that loads it. Program
// and library come from one build, so C++ types cross freely; kVersion changes whenever this
// table does, so that a library of another build is refused rather than called wrongly.
//
// Not API: components never include it.
#pragma once

#include <rtm/detail/OrbTls.h>

#include <string>

namespace rtm
{
  struct TlsLibraryApi
  {
    static constexpr int kVersion = 2;
    int version;
    std::string (*problem)(const OrbTls::Settings& settings);
    // Hands omniORB's SSL transport (in the library) the files and the callbacks that note why a
    // handshake failed; before ORB_init.
    void (*install)(const OrbTls::Settings& settings);
    std::string (*lastRefusal)();
    void (*clearLastRefusal)();
  };
}

// The library's one entry point.
extern "C" const rtm::TlsLibraryApi* rtm_tls_library();
