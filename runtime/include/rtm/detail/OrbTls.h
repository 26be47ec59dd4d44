// TLS for every CORBA endpoint of a process, through omniORB's SSL transport: one authority whose
// certificates are trusted, and this process's own certificate and key. The managers and rtctl
// share it, so that both refuse the same bad files with the same words, before the ORB starts
// (omniORB itself would abort the process on them).
//
// Not API: components never include it.
#pragma once

#include <string>
#include <utility>

namespace rtm
{
  class OrbTls
  {
  public:
    struct Settings
    {
      std::string authorityFile;  // PEM: the authority whose certificates are trusted
      std::string keyFile;  // PEM: this process's certificate and its private key
      std::string keyPassword;  // of that key; empty when it has none
      // Off, neither side asks the other for a certificate: the traffic is private but anyone
      // may connect.
      bool verifyPeer = true;
      // How the user names each file, for the one line that refuses it: "corba.ssl.key_file",
      // "--ssl-key", ...
      std::string authorityName = "corba.ssl.certificate_authority_file";
      std::string keyName = "corba.ssl.key_file";
      std::string passwordName = "corba.ssl.key_file_password";
    };

    explicit OrbTls(Settings settings) : m_settings(std::move(settings)) {}

    // TLS is on once a key file is named; then every endpoint is TLS only.
    bool enabled() const { return !m_settings.keyFile.empty(); }

    // "" when the files make a working context; else one line that names the file at fault and
    // what to do, or the TLS library that could not be loaded. Loads that library (OpenSSL), which
    // a process without TLS never does.
    std::string problem() const;

    // Hands the settings to omniORB's SSL transport. Before ORB_init, once per process, and only
    // when enabled() and problem() is "".
    void install() const;

    // "giop:ssl:" or "giop:tcp:", for -ORBendPoint.
    std::string endpointScheme() const { return enabled() ? "giop:ssl:" : "giop:tcp:"; }
    // "corbaloc:ssliop:" or "corbaloc::": how to name an object at HOST:PORT/KEY.
    std::string corbalocScheme() const { return enabled() ? "corbaloc:ssliop:" : "corbaloc::"; }

    // Why the latest TLS handshake of this process failed ("the peer refused our certificate
    // (certificate required)", ...), or "" when none has. Exceptions of a failed call only say
    // TRANSIENT; this says why.
    static std::string lastRefusal();
    static void clearLastRefusal();

  private:
    Settings m_settings;
  };
}
