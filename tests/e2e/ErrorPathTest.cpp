// Every way a user can point rtctl at the wrong thing: one line on standard error naming it, a
// non-zero status, and nothing left behind in the naming service or on the component.
#include "SharedTrimul.h"

#include "testsupport/ClosedPort.h"
#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Paths.h"

#include <rtm/idl/RTC.hh>

#include <gtest/gtest.h>

namespace e2e
{
  namespace
  {
    using testsupport::closedPort;

    class ErrorPaths : public SharedTrimul
    {
    protected:
      // One line on standard error, exactly `message`, nothing on standard output.
      void expectRefused(const std::vector<std::string>& args, int status, const std::string& message,
                         const std::string& input = "")
      {
        const RtctlResult r = rtctl.run(args, input);
        EXPECT_EQ(status, r.exitCode) << args[0];
        EXPECT_EQ(message + "\n", r.err) << args[0];
        EXPECT_EQ("", r.out) << args[0];
      }
    };

    TEST_F(ErrorPaths, NoNamingServiceIsNamedWithItsAddress)
    {
      const std::string address = "127.0.0.1:" + std::to_string(closedPort());
      const std::string message = "the naming service at " + address +
                                  " is not reachable (TRANSIENT); start one there or name another "
                                  "(RTCTL_NAMESERVER, or /HOST:PORT/...)";
      expectRefused({"ls", "/" + address}, 1, "rtctl: ls: " + message);
      expectRefused({"cat", "/" + address + "/" + trimul->path()}, 1, "rtctl: cat: " + message);
      expectRefused({"inject", "/" + address + "/" + trimul->port("x1"), "7"}, 1, "rtctl: inject: " + message);
    }

    TEST_F(ErrorPaths, AnUnreachableNamingServiceIsExplainedByWhereItsAddressCameFrom)
    {
      const std::string closed = "127.0.0.1:" + std::to_string(closedPort());
      const std::string context = host + ".host_cxt";
      struct Row
      {
        std::string nameserver;  // RTCTL_NAMESERVER
        std::vector<std::string> args;
        int status;
        std::string err;
      };
      const Row rows[] = {
        // A Unix-style path: the leading '/' made the context a naming service address.
        {ns->address(),
         {"ls", "/" + context},
         1,
         "rtctl: ls: the naming service at " + context + ":2809 is not reachable (TRANSIENT); a leading '/' makes '" +
           context + "' a naming service address; without the '/' the path lives in the default naming service (" +
           ns->address() + ")\n"},
        {closed,
         {"ls"},
         1,
         "rtctl: ls: the naming service at " + closed +
           " is not reachable (TRANSIENT); start one there or set RTCTL_NAMESERVER to one that runs\n"},
        {"127.0.0.1:x",
         {"cat", trimul->path()},
         2,
         "rtctl: cat: RTCTL_NAMESERVER='127.0.0.1:x' is not a naming service address (HOST or HOST:PORT)\n"},
        {":2809",
         {"ls"},
         2,
         "rtctl: ls: RTCTL_NAMESERVER=':2809' is not a naming service address (HOST or HOST:PORT)\n"},
        // A path with its own naming service does not use the variable, so its value is no fault.
        {"127.0.0.1:x", {"ls", "/" + ns->address() + "/" + context}, 0, ""},
      };
      for (const Row& row : rows)
      {
        const RtctlResult r = Rtctl(row.nameserver).run(row.args);
        EXPECT_EQ(row.status, r.exitCode) << row.nameserver << " " << row.args.back();
        EXPECT_EQ(row.err, r.err) << row.nameserver;
      }
    }

    TEST_F(ErrorPaths, NoSuchPathIsNamed)
    {
      const std::string path = host + ".host_cxt/Nothing0.rtc";
      expectRefused({"cat", path}, 1, "rtctl: cat: no such object: " + path);
      expectRefused({"activate", path}, 1, "rtctl: activate: no such object: " + path);
      expectRefused({"ls", "nowhere.host_cxt"}, 1, "rtctl: ls: no such object: nowhere.host_cxt");
      expectRefused({"print", path + ":y1"}, 1, "rtctl: print: no such object: " + path);
    }

    TEST_F(ErrorPaths, AContextIsNotAComponent)
    {
      expectRefused({"cat", host + ".host_cxt"}, 1,
                    "rtctl: cat: " + host + ".host_cxt is a naming context, not a component");
      expectRefused({"exit", host + ".host_cxt"}, 1,
                    "rtctl: exit: " + host + ".host_cxt is a naming context, not a component");
    }

    TEST_F(ErrorPaths, AnObjectThatIsNoComponentIsNamed)
    {
      // Trimul's execution context: a live object, but no component.
      testsupport::NamingClient naming(testsupport::testOrb(), ns->corbaloc());
      CORBA::Object_var obj = naming.resolve(trimul->path());
      RTC::RTObject_var component = RTC::RTObject::_narrow(obj.in());
      ASSERT_FALSE(CORBA::is_nil(component));
      RTC::ExecutionContextList_var contexts = component->get_owned_contexts();
      ASSERT_EQ(1u, contexts->length());
      ASSERT_TRUE(naming.bind("stray.rtc", contexts[0].in()));
      expectRefused({"cat", "stray.rtc"}, 1, "rtctl: cat: stray.rtc is not a component");
      const RtctlResult ls = rtctl.run({"ls", "-l"});
      EXPECT_EQ(0, ls.exitCode) << ls.err;
      EXPECT_EQ(0u, ls.out.find("-         stray.rtc  (stray.rtc is not a component)\n")) << ls.out;
      naming.unbind("stray.rtc");
    }

    TEST_F(ErrorPaths, NoSuchPortListsThePortsThereAre)
    {
      expectRefused({"inject", trimul->port("x9"), "7"}, 1,
                    "rtctl: inject: no port 'x9' on " + trimul->path() + " (its ports: x1, y1, y2, y3)");
    }

    TEST_F(ErrorPaths, PortsOfTheWrongDirectionAreRefused)
    {
      expectRefused({"inject", trimul->port("y1"), "7"}, 1,
                    "rtctl: inject: " + trimul->port("y1") + " is an output port; inject writes to an input port");
      expectRefused({"print", trimul->port("x1")}, 1,
                    "rtctl: print: " + trimul->port("x1") + " is an input port; print reads from an output port");
      expectRefused({"connect", trimul->port("y1"), trimul->port("y2")}, 1,
                    "rtctl: connect: cannot connect " + trimul->port("y1") + " to " + trimul->port("y2") +
                      ": both are output ports");
    }

    TEST_F(ErrorPaths, ValuesThatAreNotTimedLongAreRefused)
    {
      expectRefused({"inject", trimul->port("x1"), "2147483648"}, 1,
                    "rtctl: inject: '2147483648' is not a TimedLong value (a 32-bit integer)");
      expectRefused({"inject", trimul->port("x1"), "abc"}, 1,
                    "rtctl: inject: 'abc' is not a TimedLong value (a 32-bit integer)");
      expectRefused({"inject", trimul->port("x1")}, 1,
                    "rtctl: inject: line 1: '1.5' is not a TimedLong value (a 32-bit integer)", "1.5\n");
    }

    TEST_F(ErrorPaths, APathWithoutPortIsAUsageError)
    {
      expectRefused({"inject", trimul->path(), "7"}, 2,
                    "rtctl: inject: '" + trimul->path() + "' names no port (write it as PATH:PORT)");
    }

    TEST_F(ErrorPaths, CommandLineMistakesExitWithTwo)
    {
      expectRefused({"ls", "-x"}, 2, "rtctl: ls: unknown option '-x' (see --help)");
      expectRefused({"frobnicate"}, 2, "rtctl: unknown command 'frobnicate' (rtctl --help lists them)");
      expectRefused({"activate", trimul->path(), "-e", "x"}, 2,
                    "rtctl: activate: option -e takes a whole number from 0 to 1073741824, not 'x'");
      expectRefused({"connect", trimul->port("y1")}, 2,
                    "rtctl: connect: takes two ports, PATH:PORT PATH:PORT (see --help)");
      for (const char* input : {"", "\n  \n"})
        expectRefused({"inject", trimul->port("x1")}, 2,
                      "rtctl: inject: no values to send: give them after the port or on standard input, one a line",
                      input);
    }

    TEST_F(ErrorPaths, EveryCommandHasHelp)
    {
      for (const char* command : {"ls", "cat", "activate", "deactivate", "reset", "exit", "connect", "disconnect",
                                  "inject", "print", "start", "stop", "rate", "conf", "mgr"})
      {
        const RtctlResult r = rtctl.run({command, "--help"});
        EXPECT_EQ(0, r.exitCode) << command;
        EXPECT_EQ(0u, r.out.find(std::string("usage: rtctl ") + command + " ")) << r.out;
      }
      const RtctlResult all = rtctl.run({"--help"});
      EXPECT_EQ(0, all.exitCode);
      EXPECT_NE(std::string::npos, all.out.find("RTCTL_NAMESERVER"));
    }

    TEST_F(ErrorPaths, InjectAndPrintLeaveNoNameAndNoConnectionBehind)
    {
      testsupport::NamingClient naming(testsupport::testOrb(), ns->corbaloc());
      const std::vector<std::string> rootBefore = naming.list();
      const std::vector<std::string> hostBefore = naming.list(host + ".host_cxt");

      EXPECT_EQ(0, rtctl.run({"inject", trimul->port("x1"), "7"}).exitCode);
      EXPECT_EQ(1, rtctl.run({"print", trimul->port("y1"), "-n", "1", "--timeout", "0.2"}).exitCode);

      EXPECT_EQ(rootBefore, naming.list());
      EXPECT_EQ(hostBefore, naming.list(host + ".host_cxt"));
      const RtctlResult cat = rtctl.run({"cat", trimul->path()});
      EXPECT_EQ(std::string::npos, cat.out.find("connected to")) << cat.out;
    }

    TEST_F(ErrorPaths, PrintThatTimesOutSaysHowManyArrived)
    {
      expectRefused({"print", trimul->port("y3"), "-n", "2", "--timeout", "0.2"}, 1,
                    "rtctl: print: timed out after 0.2 s with 0 of 2 samples");
    }
  }
}
