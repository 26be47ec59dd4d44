#include <rtm/detail/OrbTls.h>

#include "TlsLoader.h"

namespace rtm
{
  std::string OrbTls::problem() const
  {
    const TlsLibraryApi* library = TlsLoader::load();
    return library ? library->problem(m_settings) : TlsLoader::why();
  }

  void OrbTls::install() const
  {
    const TlsLibraryApi* library = TlsLoader::load();
    if (library != nullptr)  // else problem() has said why, and the caller has stopped
      library->install(m_settings);
  }

  std::string OrbTls::lastRefusal()
  {
    // A process that never loaded the library has had no TLS handshake to fail.
    const TlsLibraryApi* library = TlsLoader::loaded();
    return library ? library->lastRefusal() : "";
  }

  void OrbTls::clearLastRefusal()
  {
    if (const TlsLibraryApi* library = TlsLoader::loaded())
      library->clearLastRefusal();
  }
}
