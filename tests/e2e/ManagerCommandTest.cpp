// rtctl mgr against real manager daemons on loopback: a master (rtcd -d) and its slave, reached
// by HOST:PORT and by the master's naming path; modules loaded, components created, listed and
// deleted on either, and the master shut down. Every refusal is one line naming the manager.
#include "Rtctl.h"
#include "RtcdProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    class RtctlMgr : public ::testing::Test
    {
    protected:
      RtcdOptions options(bool master)
      {
        RtcdOptions o;
        o.nameServer = ns.address();
        o.masterAddress = masterAddress;
        o.master = master;
        o.settings = {"naming.update.interval:0.3", "manager.modules.load_path:" + moduleFolder()};
        if (!master)
          o.settings.insert(o.settings.end(), {"manager.shutdown_on_nortcs:NO", "manager.shutdown_auto:NO"});
        return o;
      }

      // Its standard output, once it succeeded.
      std::string out(const std::vector<std::string>& args)
      {
        const RtctlResult r = rtctl.run(args);
        EXPECT_EQ(0, r.exitCode) << args[1] << ": " << r.err;
        return r.out;
      }

      // One line on standard error, exactly `message`, nothing on standard output.
      void expectRefused(const std::vector<std::string>& args, int status, const std::string& message)
      {
        const RtctlResult r = rtctl.run(args);
        EXPECT_EQ(status, r.exitCode) << args[1];
        EXPECT_EQ(message + "\n", r.err) << args[1];
        EXPECT_EQ("", r.out) << args[1];
      }

      bool masterHasSlaves(size_t count)
      {
        return testsupport::waitUntil(
          [&] {
            const RtctlResult r = rtctl.run({"mgr", "slaves", masterAddress});
            return r.exitCode == 0 && static_cast<size_t>(std::count(r.out.begin(), r.out.end(), '\n')) == count;
          },
          10s, 100ms);
      }

      testsupport::NameServer ns;
      testsupport::NamingClient naming{testsupport::testOrb(), ns.corbaloc()};
      Rtctl rtctl{ns.address()};
      const std::string host = testsupport::hostName();
      const std::string masterAddress = freeMasterAddress();
      const std::string masterPath = host + ".host_cxt/manager.mgr";
    };

    TEST_F(RtctlMgr, ComponentsAreCreatedListedAndDeletedOnAMasterAndItsSlave)
    {
      RtcdProcess master(options(true));
      RtcdProcess slave(options(false));
      RTM::Manager_var raw = managerAt(masterAddress);
      ASSERT_TRUE(answers(raw)) << master.process().stderrText();
      ASSERT_TRUE(masterHasSlaves(1)) << slave.process().stderrText();
      const std::string slaveLine =
        "  0  " + regexLiteral(host) + "  " + std::to_string(slave.process().pid()) + "  127.0.0.1:[0-9]+\n";
      EXPECT_TRUE(std::regex_match(out({"mgr", "ls", masterAddress}),
                                   std::regex("Components\n  \\(none\\)\nLoaded modules\n  \\(none\\)\n"
                                              "Factories\n  \\(none\\)\nSlaves\n" +
                                              slaveLine)));

      EXPECT_EQ("", out({"mgr", "load", masterAddress, "Trimul.so"}));
      EXPECT_EQ("fast\n" + host + ".host_cxt/fast.rtc\n",
                out({"mgr", "create", masterAddress, "Trimul?instance_name=fast&exec_cxt.periodic.rate=200"}));
      EXPECT_EQ("200\n", out({"rate", host + ".host_cxt/fast.rtc"}));
      EXPECT_EQ("", out({"mgr", "load", masterAddress, "--slave", "0", "Trimul.so", "TrimulInit"}));
      EXPECT_EQ("Trimul0\n" + host + ".host_cxt/Trimul0.rtc\n",
                out({"mgr", "create", masterAddress, "Trimul", "--slave", host}));
      ASSERT_EQ(0, rtctl.run({"activate", host + ".host_cxt/Trimul0.rtc"}).exitCode);

      // The master's list holds its slave's component too; the slave's only its own.
      const std::string module = moduleFolder() + "/Trimul.so";
      EXPECT_TRUE(std::regex_match(out({"mgr", "ls", masterPath}),
                                   std::regex("Components\n  fast     Trimul  Inactive\n  Trimul0  Trimul  Active\n"
                                              "Loaded modules\n  " +
                                              regexLiteral(module) + "\nFactories\n  Trimul\nSlaves\n" + slaveLine)));
      EXPECT_EQ(
        0u, out({"mgr", "ls", masterAddress, "--slave", "0"}).find("Components\n  Trimul0  Trimul  Active\nLoaded"));
      EXPECT_TRUE(std::regex_match(out({"mgr", "slaves", masterPath}), std::regex(slaveLine.substr(2))));
      EXPECT_EQ(0u, out({"mgr", "modules", masterAddress}).find(module + "\n    file_path  "));
      // A loadable module shows under its path with the profile of the type it registers.
      const std::string loadable = out({"mgr", "modules", masterAddress, "--loadable"});
      EXPECT_EQ(0u, loadable.find(module + "\n")) << loadable;
      for (const std::string& row : std::vector<std::string>{"implementation_id +Trimul", "module_file_name +Trimul.so",
                                                             "module_file_path +" + regexLiteral(module)})
        EXPECT_TRUE(std::regex_search(loadable, std::regex("\n    " + row + "\n"))) << row << " in\n" << loadable;

      EXPECT_EQ("", out({"mgr", "delete", masterAddress, "fast"}));
      EXPECT_FALSE(naming.isBound(host + ".host_cxt/fast.rtc"));
      expectRefused({"mgr", "delete", masterAddress, "fast"}, 1,
                    "rtctl: mgr: manager at " + masterAddress +
                      " refused to delete fast: BAD_PARAMETER (it has no component of that instance name)");
      EXPECT_EQ("", out({"mgr", "delete", masterAddress, "--slave", "0", "Trimul0"}));
      EXPECT_FALSE(naming.isBound(host + ".host_cxt/Trimul0.rtc"));
      EXPECT_EQ(0u, out({"mgr", "ls", masterAddress}).find("Components\n  (none)\n"));

      EXPECT_EQ("", out({"mgr", "shutdown", masterPath}));
      ASSERT_TRUE(master.process().waitExit(20s));
      EXPECT_EQ(0, master.process().exitCode());
      EXPECT_FALSE(naming.isBound(masterPath));
      expectRefused({"mgr", "ls", masterAddress}, 1,
                    "rtctl: mgr: manager at " + masterAddress +
                      " is not reachable (TRANSIENT); is a master manager (rtcd -d) running there?");
      EXPECT_TRUE(slave.process().running());
    }

    TEST_F(RtctlMgr, RefusalsAreOneLineNamingTheManagerAndChangeNothing)
    {
      expectRefused({"mgr", "ls", masterAddress}, 1,
                    "rtctl: mgr: manager at " + masterAddress +
                      " is not reachable (TRANSIENT); is a master manager (rtcd -d) running there?");
      RtcdProcess master(options(true));
      RTM::Manager_var raw = managerAt(masterAddress);
      ASSERT_TRUE(answers(raw)) << master.process().stderrText();
      const std::string named = "rtctl: mgr: manager at " + masterAddress;

      expectRefused({"mgr", "create", masterAddress, "Nope"}, 1,
                    named + " created no component for 'Nope': it has no factory for Nope and no module on its "
                            "load path that registers it");
      expectRefused({"mgr", "load", masterAddress, "NoSuch.so"}, 1,
                    named + " refused to load NoSuch.so with NoSuchInit: BAD_PARAMETER (not a shared object on its "
                            "load path, or without NoSuchInit in it)");
      expectRefused({"mgr", "ls", masterAddress, "--slave", "0"}, 1, named + " has no slave 0 (it has 0)");
      expectRefused({"mgr", "config", masterAddress, "no.such.key"}, 1,
                    named + " has no configuration key 'no.such.key'");
      expectRefused({"mgr", "create", masterAddress, "Trimul?rate"}, 2,
                    "rtctl: mgr: 'rate' in 'Trimul?rate' is not KEY=VALUE (a value cannot hold '=')");
      expectRefused({"mgr", "ls", host + ".host_cxt"}, 2,
                    "rtctl: mgr: '" + host +
                      ".host_cxt' names no manager: give a naming path ending in .mgr "
                      "(e.g. myhost.host_cxt/manager.mgr) or HOST:PORT (e.g. localhost:2810)");
      expectRefused({"mgr", "ls", host + ".host_cxt/nobody.mgr"}, 1,
                    "rtctl: mgr: no such object: " + host + ".host_cxt/nobody.mgr");

      EXPECT_EQ("YES\n", out({"mgr", "config", masterAddress, "manager.is_master"}));
      EXPECT_EQ("", out({"mgr", "config", masterAddress, "logger.log_level", "DEBUG"}));
      EXPECT_EQ("DEBUG\n", out({"mgr", "config", masterAddress, "logger.log_level"}));
      EXPECT_EQ("Components\n  (none)\nLoaded modules\n  (none)\nFactories\n  (none)\nSlaves\n  (none)\n",
                out({"mgr", "ls", masterAddress}));

      // The manager answers a refused creation with nil alone; rtctl names the cause it can see.
      expectRefused({"mgr", "create", masterAddress, "Trimul?instance_name=a/b"}, 1,
                    named + " created no component for 'Trimul?instance_name=a/b': it refused the instance name "
                            "or the component failed to start (the manager's standard error says why)");
      EXPECT_EQ("Trimul0\n" + host + ".host_cxt/Trimul0.rtc\n", out({"mgr", "create", masterAddress, "Trimul"}));
      expectRefused({"mgr", "create", masterAddress, "Trimul?instance_name=other"}, 1,
                    named + " created no component for 'Trimul?instance_name=other': max_instance of Trimul is 1 "
                            "and 1 exist (delete one first, or raise max_instance)");
      expectRefused({"mgr", "load", masterAddress, "Trimul.so"}, 1,
                    named + " refused to load Trimul.so with TrimulInit: PRECONDITION_NOT_MET (loaded already, or it "
                            "needs an ORB or middleware library of its own)");
      EXPECT_EQ(0, master.stop());
    }
  }
}
