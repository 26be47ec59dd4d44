// Data types other than TimedLong, through a peer component of the test's own: rtctl takes the
// type from the port's profile, and refuses to join ports whose types differ.
#include "Rtctl.h"
#include "TrimulProcess.h"
#include "TypedPeer.h"

#include "testsupport/NameServer.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    class TypedPorts : public ::testing::Test
    {
    protected:
      testsupport::NameServer ns;
      TypedPeer peer{ns};
      Rtctl rtctl{ns.address()};
    };

    TEST_F(TypedPorts, ADoubleArrivesAsTheSameDouble)
    {
      auto inject = rtctl.start({"inject", peer.port("value"), "-0.1"});
      double value = 0;
      EXPECT_TRUE(peer.takeDouble(value));
      EXPECT_EQ(-0.1, value);
      EXPECT_EQ(0, Rtctl::finish(*inject).exitCode);
    }

    TEST_F(TypedPorts, AStringArrivesWholeWithItsBlanks)
    {
      auto inject = rtctl.start({"inject", peer.port("text")});
      inject->writeStdin("hello, wide world\n");
      inject->closeStdin();
      std::string value;
      EXPECT_TRUE(peer.takeString(value));
      EXPECT_EQ("hello, wide world", value);
      EXPECT_EQ(0, Rtctl::finish(*inject).exitCode);
    }

    TEST_F(TypedPorts, AnOctetOutOfRangeIsRefusedNamingTheType)
    {
      const RtctlResult r = rtctl.run({"inject", peer.port("octet"), "256"});
      EXPECT_EQ(1, r.exitCode);
      EXPECT_EQ("rtctl: inject: '256' is not a TimedOctet value (an octet, 0 to 255)\n", r.err);
      EXPECT_EQ(0u, peer.connectionsOf("octet"));
    }

    TEST_F(TypedPorts, PrintShowsDoublesWithTheirTimeStamps)
    {
      auto print = rtctl.start({"print", peer.port("out"), "-n", "2", "-v", "--timeout", "30", "--ready"});
      ASSERT_TRUE(print->waitForStderr("connected to", 20s)) << print->stderrText();
      peer.sendDouble(2.5);
      peer.sendDouble(-1e-9);
      const RtctlResult r = Rtctl::finish(*print);
      EXPECT_EQ(0, r.exitCode) << r.err;
      EXPECT_EQ("12.000000034 2.5\n12.000000034 -1e-09\n", r.out);
      EXPECT_EQ(0u, peer.connectionsOf("out"));
    }

    TEST_F(TypedPorts, PortsOfDifferentDataTypesAreNotConnected)
    {
      TrimulProcess trimul(ns);
      const RtctlResult r = rtctl.run({"connect", trimul.port("y1"), peer.port("value")});
      EXPECT_EQ(1, r.exitCode);
      EXPECT_EQ("rtctl: connect: data types differ: " + trimul.port("y1") + " carries IDL:RTC/TimedLong:1.0, " +
                  peer.port("value") + " carries IDL:RTC/TimedDouble:1.0\n",
                r.err);
      EXPECT_EQ(0u, peer.connectionsOf("value"));
    }

    TEST_F(TypedPorts, APoseInjectedIntoOneComponentIsPrintedAsTypedFromAnother)
    {
      const RtctlResult refused = rtctl.run({"inject", peer.port("pose"), "{position: {x: abc}}"});
      EXPECT_EQ(1, refused.exitCode);
      EXPECT_EQ("rtctl: inject: '{position: {x: abc}}' is not a TimedPose2D value: position.x: expected a 64-bit "
                "floating-point number, found 'abc'\n",
                refused.err);

      auto print = rtctl.start({"print", peer.port("poseOut"), "-n", "1", "--timeout", "30", "--ready"});
      ASSERT_TRUE(print->waitForStderr("connected to", 20s)) << print->stderrText();
      auto inject = rtctl.start({"inject", peer.port("pose"), "{heading: 0.5, position: {x: 1, y: -2.25}}"});
      RTC::TimedPose2D pose{};
      ASSERT_TRUE(peer.forwardPose(pose));
      EXPECT_EQ(-2.25, pose.data.position.y);
      EXPECT_NE(0u, pose.tm.sec);  // stamped by inject

      const RtctlResult r = Rtctl::finish(*print);
      EXPECT_EQ(0, r.exitCode) << r.err;
      EXPECT_EQ("{position: {x: 1, y: -2.25}, heading: 0.5}\n", r.out);
      EXPECT_EQ(0, Rtctl::finish(*inject).exitCode);
    }
  }
}
