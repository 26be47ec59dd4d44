// The way events reach the page: bounded queues that shed their oldest events for a browser that
// falls behind, a fanout that forgets streams once they end, and the server-sent event frames.
#include "web/EventFanout.h"
#include "web/EventStream.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace rtctl
{
  namespace
  {
    TEST(EventQueue, AFullQueueDropsItsOldestEventsAndCountsThem)
    {
      EventQueue sut(2);
      for (const char* data : {"a", "b", "c"})
        sut.push({"e", data});
      Event out;
      ASSERT_TRUE(sut.pop(out, 0ms));
      EXPECT_EQ("b", out.data);
      ASSERT_TRUE(sut.pop(out, 0ms));
      EXPECT_EQ("c", out.data);
      EXPECT_FALSE(sut.pop(out, 10ms));
      EXPECT_EQ(1u, sut.dropped());
    }

    TEST(EventQueue, ClosingLetsWhatIsQueuedOutThenFinishesAndWakesAWaiter)
    {
      EventQueue sut(4);
      sut.push({"e", "last"});
      sut.close();
      sut.push({"e", "too late"});
      Event out;
      EXPECT_FALSE(sut.finished());
      ASSERT_TRUE(sut.pop(out, 0ms));
      EXPECT_EQ("last", out.data);
      EXPECT_TRUE(sut.finished());

      EventQueue waiting(4);
      std::thread closer([&] {
        std::this_thread::sleep_for(20ms);
        waiting.close();
      });
      const auto start = std::chrono::steady_clock::now();
      EXPECT_FALSE(waiting.pop(out, 10s));
      EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "a waiting stream was not woken by close";
      closer.join();
    }

    TEST(EventFanout, StreamsThatEndedOrWereDroppedNoLongerCountOrReceive)
    {
      EventFanout sut;
      std::shared_ptr<EventQueue> kept = sut.subscribe(4);
      std::shared_ptr<EventQueue> ended = sut.subscribe(4);
      std::shared_ptr<EventQueue> dropped = sut.subscribe(4);
      EXPECT_EQ(3u, sut.subscribers());
      ended->close();
      dropped.reset();
      EXPECT_EQ(1u, sut.subscribers());
      sut.publish({"e", "x"});
      Event out;
      EXPECT_TRUE(kept->pop(out, 0ms));
      EXPECT_FALSE(ended->pop(out, 0ms));

      sut.close();
      EXPECT_TRUE(kept->finished());
      EXPECT_TRUE(sut.subscribe(4)->finished()) << "a stream opened after close would wait forever";
      EXPECT_EQ(0u, sut.subscribers());
    }

    TEST(EventStream, FramesGiveEveryLineOfTheDataItsOwnField)
    {
      const struct
      {
        std::string data;
        std::string frame;
      } cases[] = {
        {"{\"a\":1}", "event: system\ndata: {\"a\":1}\n\n"},
        {"", "event: system\ndata: \n\n"},
        {"one\ntwo", "event: system\ndata: one\ndata: two\n\n"},
        {"one\r\ntwo\n", "event: system\ndata: one\ndata: two\ndata: \n\n"},
      };
      for (const auto& c : cases)
        EXPECT_EQ(c.frame, EventStream::frame({"system", c.data})) << c.data;
    }
  }
}
