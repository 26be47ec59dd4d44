// TLS with client certificates, as a user meets it: an authority and certificates made with the
// openssl command, a master manager (rtcd -d) that takes TLS only on another host of a network
// lab, and rtctl on the naming host with a certificate of that authority, with none, and with
// one of another authority. Only the first gets anything done; the others get one line each and
// change nothing. Files a process cannot use stop it before it starts, with one line naming the
// file.
#include "FaultProcesses.h"
#include "LabNameServer.h"
#include "NetworkLab.h"

#include "RtcdProcess.h"
#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/ChildProcess.h"
#include "testsupport/NameServer.h"
#include "testsupport/Paths.h"
#include "testsupport/TestCertificates.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

using namespace std::chrono_literals;
using faults::LabHost;

namespace
{
  size_t lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

  struct BadFiles
  {
    const char* what;
    const char* authority;  // a file of TestCertificates, or one that does not exist
    const char* key;
    const char* password;
    const char* named;  // the file the one line must name
    const char* says;
    const char* library = "";  // TRIMUL_TLS_LIBRARY, a file of TestCertificates' folder; "" for the built one
  };

  const BadFiles kBadFiles[] = {
    {"no authority file", "missing-ca", "server", "", "missing-ca.pem", "No such file"},
    {"no key file", "ca", "missing", "", "missing.pem", "No such file"},
    {"a key file without a certificate", "ca", "key-only", "", "key-only.pem", "holds no certificate"},
    {"a key file without a key", "ca", "certificate-only", "", "certificate-only.pem", "holds no private key"},
    {"an expired certificate", "ca", "expired", "", "expired.pem", "expired on"},
    {"a certificate of another authority", "ca", "stranger", "", "stranger.pem", "is not signed by the authority"},
    {"a locked key and no password", "ca", "locked", "", "locked.pem", "is protected by a password"},
    {"a locked key and a wrong password", "ca", "locked", "guess", "locked.pem", "wrong"},
    // Good files, but OpenSSL (the TLS library) cannot be had: a process must not start without it.
    {"no TLS library", "ca", "server", "", "no-such-library.pem", "TLS needs the library librtm_tls.so",
     "no-such-library"},
    {"a TLS library that is no library", "ca", "server", "", "ca.pem", "cannot load the TLS library", "ca"},
  };

  // What a process has mapped, one line a mapping.
  std::string mappingsOf(pid_t pid) { return testsupport::readFile("/proc/" + std::to_string(pid) + "/maps"); }

  // rtcd and rtctl read the same files through the same check; both must refuse before their ORB
  // starts, naming the file, and never hang or abort.
  TEST(TransportSecurityFiles, ProgramsRefuseFilesTheyCannotUseWithOneLineNamingTheFile)
  {
    testsupport::TestCertificates certs;
    for (const BadFiles& c : kBadFiles)
    {
      SCOPED_TRACE(c.what);
      const std::string authority = certs.file(c.authority);
      const std::string key = certs.file(c.key);
      const std::string library = *c.library ? certs.file(c.library) : "";
      const std::vector<std::string> rtcdArgs = {"-o", "corba.nameservers:127.0.0.1:1",
                                                 "-o", "corba.master_manager:" + e2e::freeMasterAddress(),
                                                 "-o", "corba.ssl.certificate_authority_file:" + authority,
                                                 "-o", "corba.ssl.key_file:" + key,
                                                 "-o", std::string("corba.ssl.key_file_password:") + c.password};
      const std::vector<std::string> rtctlArgs = {"--ssl-ca",           authority,  "--ssl-key", key,
                                                  "--ssl-key-password", c.password, "ls"};
      const std::pair<std::string, std::vector<std::string>> programs[] = {
        {testsupport::findProgram("tools/rtcd/rtcd"), rtcdArgs}, {e2e::rtctlProgram(), rtctlArgs}};
      for (const auto& program : programs)
      {
        // rtcd's shared runtime links OpenSSL: only the static programs load the TLS library.
        if (*c.library && &program == &programs[0])
          continue;
        testsupport::ChildProcess sut(program.first, program.second,
                                      {{"RTCTL_NAMESERVER", "127.0.0.1:1"}, {"TRIMUL_TLS_LIBRARY", library}});
        ASSERT_TRUE(sut.waitExit(20s)) << program.first << " did not stop: " << sut.stderrText();
        EXPECT_EQ(1, sut.exitCode()) << program.first;
        const std::string err = sut.stderrText();
        EXPECT_EQ(1u, lines(err)) << err;
        EXPECT_NE(std::string::npos, err.find(c.named)) << err;
        EXPECT_NE(std::string::npos, err.find(c.says)) << err;
      }
    }
  }

  // OpenSSL costs a process about a megabyte at idle: one without TLS must not have it mapped.
  TEST(TransportSecurityFiles, AProcessWithoutTlsNeverLoadsOpenSsl)
  {
    testsupport::NameServer ns;
    e2e::TrimulProcess sut(ns);
    ASSERT_TRUE(sut.bound());

    const std::string mappings = mappingsOf(sut.process().pid());

    EXPECT_EQ(std::string::npos, mappings.find("librtm_tls")) << mappings;
    EXPECT_EQ(std::string::npos, mappings.find("libssl")) << mappings;
    EXPECT_EQ(0, sut.stop());
  }

  class TransportSecurity : public ::testing::Test
  {
  protected:
    void SetUp() override
    {
      std::string whyNot;
      lab = faults::NetworkLab::make(whyNot);
      if (!lab)
        GTEST_SKIP() << whyNot;
      names = {lab->netns(LabHost::Names), lab->address(LabHost::Names)};
      remote = {lab->netns(LabHost::Peer), lab->address(LabHost::Peer)};
      masterAddress = remote.address + ":2810";
      trusted = client("client", "ca");
      stranger = client("stranger", "other-ca");
      anonymous = client("", "");
    }

    // rtctl on the naming host, with the certificate `key` of `authority` (none for "").
    std::unique_ptr<e2e::Rtctl> client(const std::string& key, const std::string& authority) const
    {
      auto sut = std::make_unique<e2e::Rtctl>(names.address + ":2809", names.prefix(), names.address);
      if (!key.empty())
      {
        sut->setEnvironment("RTCTL_SSL_CA_FILE", certs.file(authority));
        sut->setEnvironment("RTCTL_SSL_KEY_FILE", certs.file(key));
      }
      return sut;
    }

    e2e::RtcdOptions tlsMaster() const
    {
      e2e::RtcdOptions o;
      o.nameServer = names.address + ":2809";
      o.masterAddress = masterAddress;
      o.master = true;
      o.endpointHost = remote.address;
      o.prefix = remote.prefix();
      o.settings = {"manager.modules.load_path:" + e2e::moduleFolder(),
                    "corba.ssl.certificate_authority_file:" + certs.authority(),
                    "corba.ssl.key_file:" + certs.file("locked"),
                    std::string("corba.ssl.key_file_password:") + testsupport::TestCertificates::kPassword};
      return o;
    }

    // Its standard output, once it succeeded.
    static std::string out(const e2e::Rtctl& rtctl, const std::vector<std::string>& args)
    {
      const e2e::RtctlResult r = rtctl.run(args);
      EXPECT_EQ(0, r.exitCode) << args[0] << ": " << r.err;
      return r.out;
    }

    // Refused: nothing on standard output, one line on standard error that says why.
    static void expectRefused(const e2e::Rtctl& rtctl, const std::vector<std::string>& args, const std::string& why)
    {
      const e2e::RtctlResult r = rtctl.run(args);
      EXPECT_EQ(1, r.exitCode) << args[0] << ": " << r.err;
      EXPECT_EQ("", r.out) << args[0];
      EXPECT_EQ(1u, lines(r.err)) << r.err;
      EXPECT_NE(std::string::npos, r.err.find(why)) << r.err;
    }

    // The naming service's own client, which knows nothing of TLS, resolving a name to its IOR,
    // and omniORB's catior taking that apart.
    std::string publishedReference(const std::string& name) const
    {
      std::vector<std::string> command = names.prefix();
      command.insert(command.end(), {"nameclt", "-ORBInitRef",
                                     "NameService=corbaloc::" + names.address + ":2809/NameService", "resolve", name});
      testsupport::ChildProcess resolve(command.front(), std::vector<std::string>(command.begin() + 1, command.end()));
      EXPECT_TRUE(resolve.waitExit(20s));
      std::string ior = resolve.stdoutText();
      ior.erase(ior.find_last_not_of(" \n") + 1);
      testsupport::ChildProcess catior("catior", {ior});
      EXPECT_TRUE(catior.waitExit(20s));
      return catior.stdoutText();
    }

    testsupport::TestCertificates certs;
    std::unique_ptr<faults::NetworkLab> lab;
    faults::Placement names;
    faults::Placement remote;
    std::string masterAddress;
    std::unique_ptr<e2e::Rtctl> trusted;
    std::unique_ptr<e2e::Rtctl> stranger;
    std::unique_ptr<e2e::Rtctl> anonymous;
    const std::string host = testsupport::hostName();
  };

  TEST_F(TransportSecurity, OnlyAClientWithACertificateOfTheAuthorityDrivesAManagerOnAnotherHost)
  {
    faults::LabNameServer ns(names);
    ASSERT_TRUE(ns.ready()) << ns.log();
    e2e::RtcdProcess master(tlsMaster());
    ASSERT_TRUE(testsupport::waitUntil(
      [&] {
        return trusted->run({"mgr", "ls", masterAddress}).exitCode == 0;
      },
      20s, 200ms))
      << master.process().stderrText();
    // rtcd's shared runtime links OpenSSL (the static programs load it from librtm_tls.so).
    EXPECT_NE(std::string::npos, mappingsOf(master.process().pid()).find("/libssl.so"));

    // Without a certificate of the authority: one line, and no module loaded.
    const std::string masterPath = host + ".host_cxt/manager.mgr";
    expectRefused(*stranger, {"mgr", "load", masterAddress, "Trimul.so"}, "over TLS");
    expectRefused(*anonymous, {"mgr", "load", masterPath, "Trimul.so"}, "takes TLS only");
    expectRefused(*anonymous, {"mgr", "load", masterAddress, "Trimul.so"}, "--ssl-ca");
    EXPECT_EQ(0u, out(*trusted, {"mgr", "ls", masterPath}).find("Components\n  (none)\nLoaded modules\n  (none)\n"));

    EXPECT_EQ("", out(*trusted, {"mgr", "load", masterAddress, "Trimul.so"}));
    const std::string component = host + ".host_cxt/tls.rtc";
    EXPECT_EQ("tls\n" + component + "\n", out(*trusted, {"mgr", "create", masterPath, "Trimul?instance_name=tls"}));

    // Published with a TLS address and no plain one.
    const std::string reference = publishedReference(component);
    EXPECT_TRUE(std::regex_search(reference, std::regex("IIOP 1\\.2 " + e2e::regexLiteral(remote.address) + " 0 ")))
      << reference;
    EXPECT_NE(std::string::npos, reference.find("TAG_SSL_SEC_TRANS")) << reference;
    EXPECT_EQ(std::string::npos, reference.find("TAG_ALTERNATE_IIOP_ADDRESS")) << reference;

    // Listed by anyone (the naming service is plain TCP), driven by no one else.
    EXPECT_NE(std::string::npos, out(*anonymous, {"ls", host + ".host_cxt"}).find("tls.rtc"));
    expectRefused(*anonymous, {"activate", component}, "takes TLS only");
    expectRefused(*stranger, {"activate", component}, "over TLS");
    expectRefused(*stranger, {"cat", component}, "over TLS");
    EXPECT_NE(std::string::npos, out(*trusted, {"mgr", "ls", masterAddress}).find("  tls  Trimul  Inactive\n"));

    // The worked values, with rtctl's own components listening over TLS too.
    auto y1 = trusted->startPrint(component + ":y1", 1);
    auto y2 = trusted->startPrint(component + ":y2", 1);
    auto y3 = trusted->startPrint(component + ":y3", 1);
    EXPECT_EQ(0, trusted->run({"activate", component}).exitCode);
    EXPECT_EQ(0, trusted->run({"inject", component + ":x1", "7"}).exitCode);
    EXPECT_EQ("14\n", e2e::Rtctl::finish(*y1).out);
    EXPECT_EQ("70\n", e2e::Rtctl::finish(*y2).out);
    EXPECT_EQ("700\n", e2e::Rtctl::finish(*y3).out);
    EXPECT_TRUE(master.process().waitForStdout("14=7*2\n70=7*10\n700=7*100\n", 10s)) << master.process().stdoutText();

    // A TrimulComp over TLS on the naming host feeding the daemon's component: the connection
    // between two TLS processes on two hosts carries the products on.
    faults::TrimulCompProcess feeder(
      names.address + ":2809", names,
      {"corba.ssl.certificate_authority_file:" + certs.authority(), "corba.ssl.key_file:" + certs.file("server")});
    const std::string feederPath = faults::TrimulCompProcess::path();
    ASSERT_TRUE(testsupport::waitUntil(
      [&] {
        return trusted->run({"ls", feederPath}).exitCode == 0;
      },
      20s, 200ms))
      << feeder.process().stderrText();
    expectRefused(*anonymous, {"connect", feederPath + ":y1", component + ":x1"}, "takes TLS only");
    EXPECT_EQ(0, trusted->run({"connect", feederPath + ":y1", component + ":x1"}).exitCode);
    EXPECT_EQ(0, trusted->run({"activate", feederPath}).exitCode);
    EXPECT_EQ(0, trusted->run({"inject", feederPath + ":x1", "7"}).exitCode);
    EXPECT_TRUE(feeder.process().waitForStdout("14=7*2\n70=7*10\n700=7*100\n", 10s)) << feeder.process().stdoutText();
    EXPECT_TRUE(master.process().waitForStdout("28=14*2\n140=14*10\n1400=14*100\n", 10s))
      << master.process().stdoutText();

    EXPECT_EQ(0, feeder.stop()) << feeder.process().stderrText();
    EXPECT_EQ(0, master.stop()) << master.process().stderrText();
  }
}
