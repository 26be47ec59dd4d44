// What the TLS library (librtm_tls.so, OpenSSL inside) offers the program that loads it. Program
// and library come from one build, so C++ types cross freely; kVersion changes whenever this
// table does, so that a library of another build is refused rather than called wrongly.
//
// Not API: components never include it.
#pragma once

#include <rtm/detail/OrbTls.h>

#include <openssl/ssl.h>

#include <cstddef>
#include <string>

namespace rtm
{
  struct TlsLibraryApi
  {
    static constexpr int kVersion = 1;
    int version;
    // The addresses of the OpenSSL functions the program forwards to, in OpenSslImports.h's order.
    const void* const* imports;
    std::size_t importCount;
    std::string (*problem)(const OrbTls::Settings& settings);
    // For omniORB's sslContext: they note why a handshake failed.
    int (*verifyCallback)(int ok, X509_STORE_CTX* ctx);
    void (*infoCallback)(const SSL* ssl, int where, int ret);
    std::string (*lastRefusal)();
    void (*clearLastRefusal)();
  };
}

// The library's one entry point.
extern "C" const rtm::TlsLibraryApi* rtm_tls_library();
