// Which peers count as unreachable, and the thread that tells peers of removed connections.
#include "port/DeferredCalls.h"
#include "transport/PeerHealth.h"

#include "testsupport/NamingClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace
{
  CORBA::Object_ptr referenceAt(const std::string& address, const std::string& key)
  {
    return testsupport::testOrb()->string_to_object(("corbaloc::" + address + "/" + key).c_str());
  }
}

TEST(PeerHealthTest, ReferencesToOneAddressShareTheirRecordAndOthersDoNot)
{
  CORBA::Object_var a = referenceAt("127.0.0.1:45999", "a");
  CORBA::Object_var b = referenceAt("127.0.0.1:45999", "b");
  CORBA::Object_var other = referenceAt("127.0.0.1:46000", "a");
  EXPECT_EQ("127.0.0.1:45999", rtm::peerAddressOf(a.in()));

  rtm::PeerWatch watchA(a.in());
  rtm::PeerWatch watchB(b.in());
  rtm::PeerWatch watchOther(other.in());
  watchA.failed(CORBA::TRANSIENT());
  EXPECT_TRUE(watchA.knownUnreachable());
  EXPECT_TRUE(watchB.knownUnreachable());
  EXPECT_FALSE(watchOther.knownUnreachable());

  // A connection made after the failure starts with a clean slate, as the peer may be back;
  // the next failure counts for it too.
  rtm::PeerWatch later(b.in());
  EXPECT_FALSE(later.knownUnreachable());
  watchB.failed(CORBA::TIMEOUT());
  EXPECT_TRUE(later.knownUnreachable());
}

TEST(PeerHealthTest, OnlyFailuresOfTheProcessMarkTheAddress)
{
  CORBA::Object_var ref = referenceAt("127.0.0.1:46001", "x");
  rtm::PeerWatch watch(ref.in());
  watch.failed(CORBA::OBJECT_NOT_EXIST());
  watch.failed(CORBA::BAD_PARAM());
  watch.failed(CORBA::MARSHAL());
  EXPECT_FALSE(watch.knownUnreachable());
  watch.failed(CORBA::COMM_FAILURE());
  EXPECT_TRUE(watch.knownUnreachable());

  EXPECT_TRUE(rtm::meansUnreachable(CORBA::TIMEOUT()));
  EXPECT_TRUE(rtm::meansUnreachable(CORBA::TRANSIENT()));
  EXPECT_FALSE(rtm::meansUnreachable(CORBA::NO_PERMISSION()));
}

TEST(PeerHealthTest, AReferenceWithoutAnAddressHasNoRecord)
{
  EXPECT_EQ(nullptr, rtm::peerHealthOf(CORBA::Object::_nil()));
  rtm::PeerWatch watch(CORBA::Object::_nil());
  watch.failed(CORBA::TRANSIENT());
  EXPECT_FALSE(watch.knownUnreachable());
}

TEST(DeferredCallsTest, RunsCallsInOrderOffTheCallersThreadAndDrainWaitsForThem)
{
  rtm::DeferredCalls calls;
  std::vector<int> order;
  std::atomic<bool> offThread{true};
  const std::thread::id caller = std::this_thread::get_id();
  for (int i = 0; i < 3; ++i)
  {
    calls.post([&, i] {
      std::this_thread::sleep_for(5ms);
      if (std::this_thread::get_id() == caller)
        offThread = false;
      order.push_back(i);
    });
  }
  calls.drain();
  EXPECT_EQ((std::vector<int>{0, 1, 2}), order);
  EXPECT_TRUE(offThread.load());

  // Idle, it starts again for the next call.
  calls.post([&] { order.push_back(3); });
  calls.drain();
  EXPECT_EQ(4u, order.size());
}

TEST(DeferredCallsTest, PostReturnsAtOnceAndDestructionRunsWhatIsStillQueued)
{
  std::atomic<int> done{0};
  std::promise<void> release;
  std::shared_future<void> gate = release.get_future().share();
  {
    rtm::DeferredCalls calls;
    // Held until both posts returned: a post that waited for a call would find none done here
    // only after the bounded wait ran out.
    for (int i = 0; i < 2; ++i)
      calls.post([&done, gate] {
        gate.wait_for(10s);
        ++done;
      });
    EXPECT_EQ(0, done.load());
    release.set_value();
  }
  EXPECT_EQ(2, done.load());
}
