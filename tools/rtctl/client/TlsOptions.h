// The certificate rtctl presents and the authority it trusts, for objects that take TLS only:
// global options before the command (--ssl-ca, --ssl-key, --ssl-key-password), else the
// RTCTL_SSL_CA_FILE, RTCTL_SSL_KEY_FILE and RTCTL_SSL_KEY_PASSWORD variables. Without them rtctl
// speaks plain TCP, which the naming service always does.
#pragma once

#include <rtm/detail/OrbTls.h>

#include <functional>
#include <string>
#include <vector>

namespace rtctl
{
  class TlsOptions
  {
  public:
    using Lookup = std::function<const char*(const char*)>;

    // Takes the options off the front of `words` (what is left starts with the command); an
    // option missing from the line is read with `lookup` (the environment). Throws UsageError
    // for an option without its value, or an authority without a certificate to present.
    static TlsOptions take(std::vector<std::string>& words, const Lookup& lookup);

    bool enabled() const { return !m_keyFile.empty(); }
    const std::string& authorityFile() const { return m_authorityFile; }
    const std::string& keyFile() const { return m_keyFile; }
    const std::string& keyPassword() const { return m_keyPassword; }
    rtm::OrbTls orbTls() const;

    // What the process's ORB uses: set once by main() before any command runs.
    static const TlsOptions& current();
    static void setCurrent(const TlsOptions& options);

    static const char* const kHelp;

  private:
    std::string m_authorityFile;
    std::string m_keyFile;
    std::string m_keyPassword;
  };
}
