#include <rtm/detail/OrbTls.h>

#include "TlsLoader.h"

#include <omniORB4/CORBA.h>
#include <omniORB4/sslContext.h>

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
    if (library == nullptr)
      return;  // problem() has said why, and the caller has stopped
    // omniORB keeps the pointers: the text must outlive the ORB.
    static std::string authority, key, password;
    authority = m_settings.authorityFile;
    key = m_settings.keyFile;
    password = m_settings.keyPassword;
    sslContext::certificate_authority_file = authority.c_str();
    sslContext::key_file = key.c_str();
    sslContext::key_file_password = password.c_str();
    sslContext::verify_mode =
      m_settings.verifyPeer ? SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT : SSL_VERIFY_NONE;
    sslContext::verify_callback = library->verifyCallback;
    sslContext::info_callback = library->infoCallback;
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
