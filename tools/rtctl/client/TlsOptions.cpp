#include "client/TlsOptions.h"

#include "client/Error.h"

namespace rtctl
{
  namespace
  {
    struct Option
    {
      const char* flag;
      const char* variable;
      std::string TlsOptions::*field;
    };

    TlsOptions g_current;
  }

  const char* const TlsOptions::kHelp =
    "TLS (objects that take TLS only; the naming service stays plain TCP):\n"
    "  --ssl-ca FILE             the authority whose certificates rtctl trusts (RTCTL_SSL_CA_FILE)\n"
    "  --ssl-key FILE            rtctl's certificate and private key, PEM (RTCTL_SSL_KEY_FILE)\n"
    "  --ssl-key-password PW     that key's password (RTCTL_SSL_KEY_PASSWORD, which ps does not show)\n"
    "Given before the command, e.g. rtctl --ssl-ca ca.pem --ssl-key me.pem ls.\n";

  TlsOptions TlsOptions::take(std::vector<std::string>& words, const Lookup& lookup)
  {
    static const Option options[] = {
      {"--ssl-ca", "RTCTL_SSL_CA_FILE", &TlsOptions::m_authorityFile},
      {"--ssl-key", "RTCTL_SSL_KEY_FILE", &TlsOptions::m_keyFile},
      {"--ssl-key-password", "RTCTL_SSL_KEY_PASSWORD", &TlsOptions::m_keyPassword},
    };
    TlsOptions out;
    bool given[3] = {false, false, false};
    size_t used = 0;
    while (used < words.size())
    {
      const std::string& word = words[used];
      bool known = false;
      for (size_t i = 0; i < 3; ++i)
      {
        const std::string flag = options[i].flag;
        std::string value;
        if (word == flag)
        {
          if (used + 1 >= words.size())
            throw UsageError(flag + " needs a value");
          value = words[used + 1];
          used += 2;
        }
        else if (word.compare(0, flag.size() + 1, flag + "=") == 0)
        {
          value = word.substr(flag.size() + 1);
          used += 1;
        }
        else
          continue;
        out.*options[i].field = value;
        given[i] = known = true;
        break;
      }
      if (!known)
        break;
    }
    words.erase(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(used));

    for (size_t i = 0; i < 3; ++i)
    {
      const char* value = given[i] ? nullptr : lookup(options[i].variable);
      if (value != nullptr)
        out.*options[i].field = value;
    }
    if (!out.m_authorityFile.empty() && out.m_keyFile.empty())
      throw UsageError("--ssl-ca (RTCTL_SSL_CA_FILE) needs --ssl-key (RTCTL_SSL_KEY_FILE): the certificate and "
                       "key rtctl presents to peers that take TLS");
    return out;
  }

  rtm::OrbTls TlsOptions::orbTls() const
  {
    rtm::OrbTls::Settings s;
    s.authorityFile = m_authorityFile;
    s.keyFile = m_keyFile;
    s.keyPassword = m_keyPassword;
    s.authorityName = "--ssl-ca";
    s.keyName = "--ssl-key";
    s.passwordName = "--ssl-key-password";
    return rtm::OrbTls(s);
  }

  const TlsOptions& TlsOptions::current() { return g_current; }

  void TlsOptions::setCurrent(const TlsOptions& options) { g_current = options; }
}
