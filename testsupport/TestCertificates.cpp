#include "testsupport/TestCertificates.h"

#include "testsupport/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testsupport
{

  const char* const TestCertificates::kPassword = "open sesame";

  namespace
  {
    // P-256 keys: made in milliseconds, where RSA keys would take a good part of a test's time.
    const char* const kNewKey = "-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes";
  }  // namespace

  TestCertificates::TestCertificates() : m_dir(makeTempFolder("trimul-certs."))
  {
    try
    {
      run(std::string("openssl req -x509 ") + kNewKey + " -keyout ca.key -out ca.pem -days 2 -subj /CN=TrimulTestCA");
      run(std::string("openssl req -x509 ") + kNewKey +
          " -keyout other-ca.key -out other-ca.pem -days 2 -subj /CN=SomeoneElsesCA");
      leaf("server", "ca", 2);
      leaf("client", "ca", 2);
      leaf("stranger", "other-ca", 2);
      // A negative validity puts the end before the start: a certificate that expired yesterday.
      leaf("expired", "ca", -1);
      leaf("locked", "ca", 2);
      run(std::string("openssl pkey -in locked.key -aes256 -passout 'pass:") + kPassword +
          "' -out locked-enc.key && cat locked.crt locked-enc.key > locked.pem");
      run("cp client.crt certificate-only.pem && cp client.key key-only.pem");
    }
    catch (...)
    {
      std::filesystem::remove_all(m_dir);
      throw;
    }
  }

  TestCertificates::~TestCertificates()
  {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }

  void TestCertificates::leaf(const std::string& name, const std::string& authority, int days) const
  {
    run("openssl req " + std::string(kNewKey) + " -keyout " + name + ".key -out " + name + ".csr -subj /CN=" + name +
        " && openssl x509 -req -in " + name + ".csr -CA " + authority + ".pem -CAkey " + authority +
        ".key -CAcreateserial -out " + name + ".crt -days " + std::to_string(days) + " && cat " + name + ".crt " +
        name + ".key > " + name + ".pem");
  }

  void TestCertificates::run(const std::string& command) const
  {
    const std::string log = m_dir + "/openssl.log";
    const std::string line = "cd '" + m_dir + "' && { " + command + "; } > '" + log + "' 2>&1";
    if (std::system(line.c_str()) != 0)
    {
      throw std::runtime_error("making test certificates: `" + command + "` failed: " + readFile(log));
    }
  }

}  // namespace testsupport
