// The TLS library (librtm_tls.so): OpenSSL, and what the runtime does with it. A process loads it
// only once TLS is configured (TlsLoader), so that one without TLS never pays for OpenSSL.
#include <rtm/detail/TlsLibraryApi.h>

#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/dh.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <vector>

namespace rtm
{
  namespace
  {
    struct BioFree
    {
      void operator()(BIO* b) const { BIO_free(b); }
    };
    struct X509Free
    {
      void operator()(X509* c) const { X509_free(c); }
    };
    struct KeyFree
    {
      void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
    };
    struct StoreFree
    {
      void operator()(X509_STORE* s) const { X509_STORE_free(s); }
    };
    struct StoreCtxFree
    {
      void operator()(X509_STORE_CTX* s) const { X509_STORE_CTX_free(s); }
    };
    using Bio = std::unique_ptr<BIO, BioFree>;
    using Cert = std::unique_ptr<X509, X509Free>;
    using Key = std::unique_ptr<EVP_PKEY, KeyFree>;

    std::mutex g_refusalMutex;
    std::string g_lastRefusal;

    void recordRefusal(const std::string& why)
    {
      std::lock_guard<std::mutex> lock(g_refusalMutex);
      g_lastRefusal = why;
    }

    // OpenSSL would otherwise ask on the terminal for the password of an encrypted key.
    int givenPassword(char* buffer, int size, int, void* password)
    {
      const std::string& text = *static_cast<const std::string*>(password);
      if (text.empty() || static_cast<int>(text.size()) > size)
        return -1;
      // NOLINTNEXTLINE(bugprone-not-null-terminated-result): OpenSSL reads the length returned
      std::memcpy(buffer, text.data(), text.size());
      return static_cast<int>(text.size());
    }

    // What we reject of a peer's chain; omniORB only answers TRANSIENT.
    int noteVerify(int ok, X509_STORE_CTX* ctx)
    {
      if (!ok)
        recordRefusal(std::string("the peer's certificate is not trusted (") +
                      X509_verify_cert_error_string(X509_STORE_CTX_get_error(ctx)) + ")");
      return ok;
    }

    // A fatal alert from the peer during the handshake: why it would not have us.
    void noteAlert(const SSL*, int where, int ret)
    {
      if (!(where & SSL_CB_READ_ALERT) || (ret >> 8) != SSL3_AL_FATAL)
        return;
      const int code = ret & 0xff;
      const char* what = SSL_alert_desc_string_long(ret);
      switch (code)
      {
        case 116:  // certificate_required (TLS 1.3), which OpenSSL has no text for
          recordRefusal("the peer refused us: we presented no certificate");
          return;
        case SSL3_AD_BAD_CERTIFICATE:
        case SSL3_AD_UNSUPPORTED_CERTIFICATE:
        case SSL3_AD_CERTIFICATE_REVOKED:
        case SSL3_AD_CERTIFICATE_EXPIRED:
        case SSL3_AD_CERTIFICATE_UNKNOWN:
        case SSL3_AD_HANDSHAKE_FAILURE:
        case TLS1_AD_UNKNOWN_CA:
          recordRefusal(std::string("the peer refused our certificate (") + what + ")");
          return;
        default:
          recordRefusal(std::string("the peer ended the TLS handshake (") + what + ")");
      }
    }

    std::string quoted(const std::string& file) { return "'" + file + "'"; }

    std::string timeText(const ASN1_TIME* when)
    {
      Bio out(BIO_new(BIO_s_mem()));
      ASN1_TIME_print(out.get(), when);
      char* data = nullptr;
      const long size = BIO_get_mem_data(out.get(), &data);
      return std::string(data, static_cast<size_t>(size));
    }

    bool readable(const std::string& file, std::string& why)
    {
      std::ifstream in(file);
      if (in)
        return true;
      why = std::strerror(errno);
      return false;
    }

    std::vector<Cert> certificatesIn(const std::string& file)
    {
      std::vector<Cert> certs;
      Bio in(BIO_new_file(file.c_str(), "r"));
      while (in)
      {
        Cert cert(PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr));
        if (!cert)
          break;
        certs.push_back(std::move(cert));
      }
      ERR_clear_error();
      return certs;
    }

    std::string fileText(const std::string& file)
    {
      std::ifstream in(file);
      std::ostringstream text;
      text << in.rdbuf();
      return text.str();
    }

    std::string problem(const OrbTls::Settings& s)
    {
      if (s.authorityFile.empty())
        return s.authorityName + " is not set: name the PEM file of the authority that signs the certificates";
      std::string why;
      if (!readable(s.authorityFile, why))
        return "cannot read " + s.authorityName + " " + quoted(s.authorityFile) + ": " + why;
      const std::vector<Cert> authorities = certificatesIn(s.authorityFile);
      if (authorities.empty())
        return s.authorityName + " " + quoted(s.authorityFile) + " holds no PEM certificate";

      if (!readable(s.keyFile, why))
        return "cannot read " + s.keyName + " " + quoted(s.keyFile) + ": " + why;
      std::vector<Cert> chain = certificatesIn(s.keyFile);
      if (chain.empty())
        return s.keyName + " " + quoted(s.keyFile) + " holds no certificate: it must hold this process's certificate " +
               "and its private key, both PEM (cat cert.pem key.pem > " + s.keyFile + ")";
      Bio in(BIO_new_file(s.keyFile.c_str(), "r"));
      Key key(in ? PEM_read_bio_PrivateKey(in.get(), nullptr, givenPassword, const_cast<std::string*>(&s.keyPassword))
                 : nullptr);
      ERR_clear_error();
      if (!key)
      {
        const std::string text = fileText(s.keyFile);
        if (text.find("PRIVATE KEY-----") == std::string::npos)
          return s.keyName + " " + quoted(s.keyFile) + " holds no private key: it must hold this process's " +
                 "certificate and its private key, both PEM";
        if (s.keyPassword.empty())
          return "the private key in " + s.keyName + " " + quoted(s.keyFile) +
                 " is protected by a password: give it in " + s.passwordName;
        return "wrong " + s.passwordName + " for the private key in " + quoted(s.keyFile);
      }
      X509* own = chain.front().get();
      if (X509_check_private_key(own, key.get()) != 1)
      {
        ERR_clear_error();
        return "the certificate and the private key in " + s.keyName + " " + quoted(s.keyFile) +
               " do not belong together";
      }
      if (X509_cmp_current_time(X509_get0_notAfter(own)) < 0)
        return "the certificate in " + s.keyName + " " + quoted(s.keyFile) + " expired on " +
               timeText(X509_get0_notAfter(own)) + ": make a new one";
      if (X509_cmp_current_time(X509_get0_notBefore(own)) > 0)
        return "the certificate in " + s.keyName + " " + quoted(s.keyFile) + " is not valid before " +
               timeText(X509_get0_notBefore(own));
      if (!s.verifyPeer)
        return "";

      // Peers check our certificate against the same authority: one not signed by it would be
      // refused by every peer, which is better said once, here.
      std::unique_ptr<X509_STORE, StoreFree> store(X509_STORE_new());
      for (const Cert& authority : authorities)
        X509_STORE_add_cert(store.get(), authority.get());
      STACK_OF(X509)* untrusted = sk_X509_new_null();
      for (size_t i = 1; i < chain.size(); ++i)
        sk_X509_push(untrusted, chain[i].get());
      std::unique_ptr<X509_STORE_CTX, StoreCtxFree> ctx(X509_STORE_CTX_new());
      X509_STORE_CTX_init(ctx.get(), store.get(), own, untrusted);
      const bool trusted = X509_verify_cert(ctx.get()) == 1;
      const int error = X509_STORE_CTX_get_error(ctx.get());
      sk_X509_free(untrusted);
      ERR_clear_error();
      if (!trusted)
        return "the certificate in " + s.keyName + " " + quoted(s.keyFile) + " is not signed by the authority in " +
               s.authorityName + " " + quoted(s.authorityFile) + " (" + X509_verify_cert_error_string(error) + ")";
      return "";
    }

    std::string lastRefusal()
    {
      std::lock_guard<std::mutex> lock(g_refusalMutex);
      return g_lastRefusal;
    }

    void clearLastRefusal() { recordRefusal(""); }

// omniORB's transport still sets up its context with OpenSSL 1.1's DH calls.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const void* const kImports[] = {
#define RTM_TLS_IMPORT(name) reinterpret_cast<const void*>(&name),
#include "OpenSslImports.h"
#undef RTM_TLS_IMPORT
    };
#pragma GCC diagnostic pop

    const TlsLibraryApi kApi = {TlsLibraryApi::kVersion,
                                kImports,
                                sizeof kImports / sizeof kImports[0],
                                problem,
                                noteVerify,
                                noteAlert,
                                lastRefusal,
                                clearLastRefusal};
  }
}

extern "C" __attribute__((visibility("default"))) const rtm::TlsLibraryApi* rtm_tls_library() { return &rtm::kApi; }
