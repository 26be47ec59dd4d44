#pragma once

#include <string>

namespace testsupport
{

  // An authority and certificates of its own, made with the openssl command in a temporary folder
  // that goes away with the object. Each PEM file below holds a certificate and its private key, as
  // corba.ssl.key_file wants them.
  //
  //   TestCertificates certs;
  //   ChildProcess sut(findProgram("tools/rtcd/rtcd"), {"-o", "corba.ssl.certificate_authority_file:" +
  //                    certs.authority(), "-o", "corba.ssl.key_file:" + certs.file("server")});
  class TestCertificates
  {
  public:
    // Throws std::runtime_error with openssl's output if a step fails.
    TestCertificates();
    ~TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    std::string authority() const { return m_dir + "/ca.pem"; }
    // A second authority, which signed "stranger".
    std::string otherAuthority() const { return m_dir + "/other-ca.pem"; }

    // "server", "client": signed by authority(); "stranger": signed by otherAuthority();
    // "expired": signed by authority(), ended yesterday; "locked": signed by authority(), its key
    // encrypted with kPassword; "certificate-only" and "key-only": half of "client".
    std::string file(const std::string& name) const { return m_dir + "/" + name + ".pem"; }
    static const char* const kPassword;

    const std::string& folder() const { return m_dir; }

  private:
    void run(const std::string& command) const;
    void leaf(const std::string& name, const std::string& authority, int days) const;

    std::string m_dir;
  };

}  // namespace testsupport
