#include "testsupport/TestCertificates.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace testsupport
{

  const char* const TestCertificates::kPassword = "open sesame";

  namespace
  {
    // P-256 keys: made in milliseconds, where RSA keys would take a good part of a test's time.
    const char* const kNewKey = "-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes";

    std::string tempFolder()
    {
      const char* tmp = std::getenv("TMPDIR");
      std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/trimul-certs.XXXXXX";
      std::vector<char> buffer(pattern.begin(), pattern.end());
      buffer.push_back('\0');
      if (::mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder from " + pattern + ": " + std::strerror(errno));
      return buffer.data();
    }
  }  // namespace

  TestCertificates::TestCertificates() : m_dir(tempFolder())
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
      std::ifstream in(log);
      std::ostringstream text;
      text << in.rdbuf();
      throw std::runtime_error("making test certificates: `" + command + "` failed: " + text.str());
    }
  }

}  // namespace testsupport
