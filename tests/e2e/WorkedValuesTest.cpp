// The worked values of the scaling step, end to end: rtctl injects into x1 of a running
// Trimul, three rtctl prints receive y1, y2 and y3, and the process prints its equations. Each
// test runs against TrimulComp and against rtcd running Trimul from Trimul.so: the same names,
// the same output to the byte.
#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Wait.h"

#include <rtm/idl/DataPort.hh>
#include <rtm/idl/RTC.hh>

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    struct Row
    {
      std::int32_t x;
      std::int32_t y1, y2, y3;
    };

    const Row kRows[] = {
      {7, 14, 70, 700},
      {0, 0, 0, 0},
      {-5, -10, -50, -500},
      {21474836, 42949672, 214748360, 2147483600},
      {21474837, 42949674, 214748370, -2147483596},
      {1073741824, -2147483648, -2147483648, 0},
      {-2147483648, 0, 0, 0},
      {2147483647, -2, -10, -100},
    };

    std::string equations(const Row& row)
    {
      const std::string x = std::to_string(row.x);
      return std::to_string(row.y1) + "=" + x + "*2\n" + std::to_string(row.y2) + "=" + x + "*10\n" +
             std::to_string(row.y3) + "=" + x + "*100\n";
    }

    class WorkedValues : public ::testing::TestWithParam<TrimulHost>
    {
    protected:
      static void SetUpTestSuite() { ns = new testsupport::NameServer; }
      static void TearDownTestSuite()
      {
        delete ns;
        ns = nullptr;
      }

      // Prints on y1, y2, y3 (each waiting for `count` samples), then the component activated,
      // then inject with `args`: nothing can be missed by a print that is not listening yet.
      void runInject(const std::vector<std::string>& args, const std::string& input, int count)
      {
        Rtctl rtctl(ns->address());
        auto y1 = rtctl.startPrint(trimul.port("y1"), count);
        auto y2 = rtctl.startPrint(trimul.port("y2"), count);
        auto y3 = rtctl.startPrint(trimul.port("y3"), count);
        const RtctlResult activated = rtctl.run({"activate", trimul.path()});
        ASSERT_EQ(0, activated.exitCode) << activated.err;
        std::vector<std::string> words = {"inject", trimul.port("x1")};
        words.insert(words.end(), args.begin(), args.end());
        injected = rtctl.run(words, input);
        printed[0] = Rtctl::finish(*y1);
        printed[1] = Rtctl::finish(*y2);
        printed[2] = Rtctl::finish(*y3);
      }

      static testsupport::NameServer* ns;
      TrimulProcess trimul{*ns, "Trimul0", {}, GetParam()};
      RtctlResult injected{};
      RtctlResult printed[3];
    };

    testsupport::NameServer* WorkedValues::ns = nullptr;

    INSTANTIATE_TEST_SUITE_P(Hosts, WorkedValues, ::testing::Values(TrimulHost::TrimulComp, TrimulHost::Rtcd),
                             [](const ::testing::TestParamInfo<TrimulHost>& info) {
                               return info.param == TrimulHost::Rtcd ? "rtcd" : "TrimulComp";
                             });

    TEST_P(WorkedValues, EachRowArrivesScaledOnTheThreeOutputsAndIsPrintedAsEquations)
    {
      for (const Row& row : kRows)
      {
        SCOPED_TRACE(row.x);
        TrimulProcess fresh(*ns, "Row0", {}, GetParam());
        Rtctl rtctl(ns->address());
        auto y1 = rtctl.startPrint(fresh.port("y1"), 1);
        auto y2 = rtctl.startPrint(fresh.port("y2"), 1);
        auto y3 = rtctl.startPrint(fresh.port("y3"), 1);
        ASSERT_EQ(0, rtctl.run({"activate", fresh.path()}).exitCode);

        const RtctlResult sent = rtctl.run({"inject", fresh.port("x1"), std::to_string(row.x)});
        EXPECT_EQ(0, sent.exitCode) << sent.err;
        EXPECT_EQ("", sent.err);

        const RtctlResult r1 = Rtctl::finish(*y1);
        const RtctlResult r2 = Rtctl::finish(*y2);
        const RtctlResult r3 = Rtctl::finish(*y3);
        EXPECT_EQ(std::to_string(row.y1) + "\n", r1.out) << r1.err;
        EXPECT_EQ(std::to_string(row.y2) + "\n", r2.out) << r2.err;
        EXPECT_EQ(std::to_string(row.y3) + "\n", r3.out) << r3.err;
        EXPECT_TRUE(testsupport::waitUntil([&] { return fresh.process().stdoutText() == equations(row); }, 10s))
          << fresh.process().stdoutText();
        EXPECT_EQ(0, fresh.stop());
        EXPECT_EQ(equations(row), fresh.process().stdoutText());
      }
    }

    TEST_P(WorkedValues, TheWholeTableInOneInjectPrintsExactlyTheRowsInOrder)
    {
      std::vector<std::string> values;
      std::string allEquations;
      std::string column[3];
      for (const Row& row : kRows)
      {
        values.push_back(std::to_string(row.x));
        allEquations += equations(row);
        column[0] += std::to_string(row.y1) + "\n";
        column[1] += std::to_string(row.y2) + "\n";
        column[2] += std::to_string(row.y3) + "\n";
      }
      runInject(values, "", static_cast<int>(values.size()));
      EXPECT_EQ(0, injected.exitCode) << injected.err;
      for (int i = 0; i < 3; ++i)
        EXPECT_EQ(column[i], printed[i].out) << "y" << i + 1 << ": " << printed[i].err;
      EXPECT_EQ(0, trimul.stop());
      EXPECT_EQ(allEquations, trimul.process().stdoutText());
      EXPECT_EQ("", trimul.process().stderrText());
    }

    TEST_P(WorkedValues, ValuesFromStandardInputGoOneALine)
    {
      runInject({}, "7\n\n0\r\n  -5\n", 3);
      EXPECT_EQ(0, injected.exitCode) << injected.err;
      EXPECT_EQ("14\n0\n-10\n", printed[0].out);
      EXPECT_EQ(0, trimul.stop());
      EXPECT_EQ(equations(kRows[0]) + equations(kRows[1]) + equations(kRows[2]), trimul.process().stdoutText());
    }

    TEST_P(WorkedValues, ABadValueInAStreamIsReportedAndTheOthersStillGo)
    {
      runInject({}, "7\nabc\n2147483648\n0\n", 2);
      EXPECT_EQ(1, injected.exitCode);
      EXPECT_EQ("rtctl: inject: line 2: 'abc' is not a TimedLong value (a 32-bit integer)\n"
                "rtctl: inject: line 3: '2147483648' is not a TimedLong value (a 32-bit integer)\n",
                injected.err);
      EXPECT_EQ("14\n0\n", printed[0].out);
      EXPECT_EQ(0, trimul.stop());
      EXPECT_EQ(equations(kRows[0]) + equations(kRows[1]), trimul.process().stdoutText());
    }

    TEST_P(WorkedValues, EachValueIsSentCountTimes)
    {
      runInject({"-c", "3", "-r", "50", "7"}, "", 3);
      EXPECT_EQ(0, injected.exitCode) << injected.err;
      EXPECT_EQ("70\n70\n70\n", printed[1].out);
      EXPECT_EQ(0, trimul.stop());
      EXPECT_EQ(equations(kRows[0]) + equations(kRows[0]) + equations(kRows[0]), trimul.process().stdoutText());
    }

    // As the shell tools inject one value: the peer connects, puts once and disconnects at once,
    // so the connection is gone before the component's next tick. The value the port accepted is
    // printed all the same, every time; one peer (this process) loops over the rounds.
    TEST_P(WorkedValues, AValueFromAPeerThatDisconnectsAtOnceIsPrintedEveryTime)
    {
      testsupport::NamingClient naming(testsupport::testOrb(), ns->corbaloc());
      CORBA::Object_var obj = naming.resolve(trimul.path());
      RTC::RTObject_var component = RTC::RTObject::_narrow(obj.in());
      ASSERT_FALSE(CORBA::is_nil(component));
      RTC::PortServiceList_var ports = component->get_ports();
      RTC::PortService_var x1 = RTC::PortService::_duplicate(ports[0u]);
      ASSERT_EQ(0, Rtctl(ns->address()).run({"activate", trimul.path()}).exitCode);

      std::string expected;
      for (CORBA::Long x = 0; x < 1000; ++x)
      {
        const std::string id = "inject-" + std::to_string(x);
        RTC::ConnectorProfile cp;
        cp.name = CORBA::string_dup("inject");
        cp.connector_id = CORBA::string_dup(id.c_str());
        cp.ports.length(1);
        cp.ports[0] = RTC::PortService::_duplicate(x1.in());
        const char* const props[][2] = {{"dataport.interface_type", "corba_cdr"},
                                        {"dataport.dataflow_type", "push"},
                                        {"dataport.subscription_type", "flush"},
                                        {"dataport.data_type", "IDL:RTC/TimedLong:1.0"}};
        cp.properties.length(4);
        for (CORBA::ULong i = 0; i < 4; ++i)
        {
          cp.properties[i].name = CORBA::string_dup(props[i][0]);
          cp.properties[i].value <<= props[i][1];
        }
        ASSERT_EQ(RTC::RTC_OK, x1->notify_connect(cp)) << x;
        const char* ior = nullptr;
        for (CORBA::ULong i = 0; i < cp.properties.length() && ior == nullptr; ++i)
          if (std::string("dataport.corba_cdr.inport_ior") == cp.properties[i].name.in())
            cp.properties[i].value >>= ior;
        ASSERT_NE(nullptr, ior) << x;
        CORBA::Object_var target = testsupport::testOrb()->string_to_object(ior);
        OpenRTM::InPortCdr_var writer = OpenRTM::InPortCdr::_narrow(target.in());
        // A TimedLong as the middleware sends it: sec, nsec, data, little-endian.
        OpenRTM::CdrData sample;
        sample.length(12);
        const CORBA::ULong words[3] = {1, 0, static_cast<CORBA::ULong>(x)};
        for (CORBA::ULong i = 0; i < 12; ++i)
          sample[i] = static_cast<CORBA::Octet>(words[i / 4] >> (8 * (i % 4)));
        ASSERT_EQ(OpenRTM::PORT_OK, writer->put(sample)) << x;
        ASSERT_EQ(RTC::RTC_OK, x1->notify_disconnect(id.c_str())) << x;

        expected += equations({x, 2 * x, 10 * x, 100 * x});
        ASSERT_TRUE(
          testsupport::waitUntil([&] { return trimul.process().stdoutText().size() >= expected.size(); }, 10s, 1ms))
          << "round " << x << " printed nothing";
      }
      EXPECT_EQ(expected, trimul.process().stdoutText());
    }

    TEST_P(WorkedValues, VerbosePrintPutsTheTimeStampBeforeTheValue)
    {
      Rtctl rtctl(ns->address());
      auto y1 = rtctl.start({"print", trimul.port("y1"), "-n", "1", "-v", "--timeout", "30", "--ready"});
      ASSERT_TRUE(y1->waitForStderr("connected to", 20s)) << y1->stderrText();
      ASSERT_EQ(0, rtctl.run({"activate", trimul.path()}).exitCode);
      ASSERT_EQ(0, rtctl.run({"inject", trimul.port("x1"), "7"}).exitCode);
      const RtctlResult r = Rtctl::finish(*y1);
      EXPECT_EQ(0, r.exitCode) << r.err;
      // The component never sets the stamp of what it sends (its nanoseconds may even exceed a
      // second), so only the form is known: seconds, a dot, nanoseconds to at least nine digits.
      EXPECT_TRUE(std::regex_match(r.out, std::regex("[0-9]+\\.[0-9]{9,} 14\n"))) << r.out;
    }
  }
}
