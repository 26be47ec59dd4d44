// The buffer behind every data port: how many samples it keeps, which ones a reader sees, and who
// waits when it is full or empty.
#include "transport/RingBuffer.h"

#include "testsupport/Wait.h"
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace
{

  using rtm::BufferStatus;
  using rtm::ReadPolicy;
  using rtm::RingBuffer;
  using rtm::RingBufferOptions;
  using rtm::WritePolicy;

  // Long enough never to expire on a loaded machine, short enough that a hang fails the test.
  constexpr auto kBound = std::chrono::seconds(20);
  constexpr double kLongWait = 30.0;
  constexpr double kShortWait = 0.02;

  RingBufferOptions options(WritePolicy write, ReadPolicy read, std::size_t length = 8, double writeTimeout = 1.0,
                            double readTimeout = 1.0)
  {
    RingBufferOptions o;
    o.length = length;
    o.writePolicy = write;
    o.readPolicy = read;
    o.writeTimeout = writeTimeout;
    o.readTimeout = readTimeout;
    return o;
  }

  void writeRange(RingBuffer<int>& sut, int first, int last)
  {
    for (int i = first; i <= last; ++i)
      ASSERT_EQ(sut.write(i), BufferStatus::OK) << i;
  }

  std::vector<int> readAll(RingBuffer<int>& sut)
  {
    std::vector<int> values;
    int value = 0;
    while (!sut.empty() && sut.read(value) == BufferStatus::OK)
      values.push_back(value);
    return values;
  }

}  // namespace

// --- Defaults: overwrite when full, read back when empty ------------------------------------------

TEST(RingBufferDefaults, TenWritesIntoEightSlotsResultsInSamplesThreeToTenThenReadback)
{
  RingBuffer<int> sut;
  writeRange(sut, 1, 10);

  EXPECT_TRUE(sut.full());
  EXPECT_EQ(sut.readable(), 8u);
  EXPECT_EQ(sut.overwrittenCount(), 2u);
  EXPECT_EQ(readAll(sut), (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10}));

  int value = 0;
  EXPECT_EQ(sut.read(value), BufferStatus::OK);
  EXPECT_EQ(value, 10);
  value = 0;
  EXPECT_EQ(sut.read(value), BufferStatus::OK);
  EXPECT_EQ(value, 10);
  EXPECT_TRUE(sut.empty());
}

TEST(RingBufferDefaults, ReadOfNeverWrittenBufferResultsInEmpty)
{
  RingBuffer<int> sut;
  int value = 42;

  EXPECT_EQ(sut.read(value), BufferStatus::EMPTY);
  EXPECT_EQ(value, 42);
}

TEST(RingBufferDefaults, WrittenButUnreadSampleIsReadFirstNotReadBack)
{
  RingBuffer<int> sut;
  writeRange(sut, 1, 1);
  int value = 0;
  ASSERT_EQ(sut.read(value), BufferStatus::OK);
  writeRange(sut, 2, 2);

  ASSERT_EQ(sut.read(value), BufferStatus::OK);

  EXPECT_EQ(value, 2);
}

TEST(RingBufferDefaults, ReadbackAfterOverwritingTheLastReadSlotReturnsTheLastRead)
{
  // Writes wrap round onto the slot of the sample read last; readback must still find it.
  RingBuffer<int> sut(options(WritePolicy::Overwrite, ReadPolicy::Readback, 3));
  writeRange(sut, 1, 3);
  int value = 0;
  ASSERT_EQ(sut.read(value), BufferStatus::OK);  // 1
  writeRange(sut, 4, 6);  // drops 2 and 3

  EXPECT_EQ(readAll(sut), (std::vector<int>{4, 5, 6}));
  ASSERT_EQ(sut.read(value), BufferStatus::OK);
  EXPECT_EQ(value, 6);
}

TEST(RingBufferDefaults, InterleavedWritesAndReadsKeepFifoOrderAcrossManyWraps)
{
  RingBuffer<int> sut(options(WritePolicy::DoNothing, ReadPolicy::DoNothing, 5));
  std::vector<int> read;
  int next = 0;
  for (int round = 0; round < 50; ++round)
  {
    const int writes = round % 5 + 1;
    for (int i = 0; i < writes; ++i)
      ASSERT_EQ(sut.write(next++), BufferStatus::OK);
    int value = 0;
    for (int i = 0; i < writes; ++i)
    {
      ASSERT_EQ(sut.read(value), BufferStatus::OK);
      read.push_back(value);
    }
  }

  ASSERT_EQ(read.size(), static_cast<std::size_t>(next));
  for (int i = 0; i < next; ++i)
    EXPECT_EQ(read[i], i);
}

// --- do_nothing --------------------------------------------------------------------------------------

TEST(RingBufferDoNothing, NinthWriteResultsInFullAndChangesNothing)
{
  RingBuffer<int> sut(options(WritePolicy::DoNothing, ReadPolicy::Readback));
  writeRange(sut, 1, 8);

  EXPECT_EQ(sut.write(9), BufferStatus::FULL);

  EXPECT_EQ(sut.overwrittenCount(), 0u);
  EXPECT_EQ(readAll(sut), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(RingBufferDoNothing, ReadOfEmptiedBufferResultsInEmptyNotReadback)
{
  RingBuffer<int> sut(options(WritePolicy::Overwrite, ReadPolicy::DoNothing));
  writeRange(sut, 1, 1);
  int value = 0;
  ASSERT_EQ(sut.read(value), BufferStatus::OK);

  value = 42;
  EXPECT_EQ(sut.read(value), BufferStatus::EMPTY);
  EXPECT_EQ(value, 42);
}

// --- block ------------------------------------------------------------------------------------------

TEST(RingBufferBlock, WriteToFullBufferResultsInTimeoutAndChangesNothing)
{
  RingBuffer<int> sut(options(WritePolicy::Block, ReadPolicy::DoNothing, 2, kShortWait));
  writeRange(sut, 1, 2);

  EXPECT_EQ(sut.write(3), BufferStatus::TIMEOUT);

  EXPECT_EQ(readAll(sut), (std::vector<int>{1, 2}));
}

TEST(RingBufferBlock, WriteToFullBufferCompletesWhenAReaderMakesRoom)
{
  RingBuffer<int> sut(options(WritePolicy::Block, ReadPolicy::DoNothing, 2, kLongWait));
  writeRange(sut, 1, 2);

  auto writer = std::async(std::launch::async, [&] { return sut.write(3); });
  ASSERT_TRUE(testsupport::waitUntil([&] { return sut.waitingWriters() == 1; }, kBound));
  int value = 0;
  ASSERT_EQ(sut.read(value), BufferStatus::OK);

  ASSERT_EQ(writer.wait_for(kBound), std::future_status::ready);
  EXPECT_EQ(writer.get(), BufferStatus::OK);
  EXPECT_EQ(readAll(sut), (std::vector<int>{2, 3}));
}

TEST(RingBufferBlock, ReadOfEmptyBufferResultsInTimeout)
{
  RingBuffer<int> sut(options(WritePolicy::Overwrite, ReadPolicy::Block, 8, 1.0, kShortWait));
  int value = 42;

  EXPECT_EQ(sut.read(value), BufferStatus::TIMEOUT);
  EXPECT_EQ(value, 42);
}

TEST(RingBufferBlock, ReadOfEmptyBufferWakesWhenAWriterWrites)
{
  RingBuffer<int> sut(options(WritePolicy::Overwrite, ReadPolicy::Block, 8, 1.0, kLongWait));
  auto reader = std::async(std::launch::async, [&] {
    int value = 0;
    const BufferStatus status = sut.read(value);
    return std::make_pair(status, value);
  });
  // The write must find the reader asleep, or the wake-up is not what is tested.
  ASSERT_TRUE(testsupport::waitUntil([&] { return sut.waitingReaders() == 1; }, kBound));

  ASSERT_EQ(sut.write(7), BufferStatus::OK);

  ASSERT_EQ(reader.wait_for(kBound), std::future_status::ready);
  EXPECT_EQ(reader.get(), std::make_pair(BufferStatus::OK, 7));
}

TEST(RingBufferBlock, WakeAllReleasesABlockedReaderWithTimeout)
{
  RingBuffer<int> sut(options(WritePolicy::Overwrite, ReadPolicy::Block, 8, 1.0, kLongWait));
  auto reader = std::async(std::launch::async, [&] {
    int value = 0;
    return sut.read(value);
  });
  ASSERT_TRUE(testsupport::waitUntil([&] { return sut.waitingReaders() == 1; }, kBound));

  sut.wakeAll();

  ASSERT_EQ(reader.wait_for(kBound), std::future_status::ready);
  EXPECT_EQ(reader.get(), BufferStatus::TIMEOUT);
}

TEST(RingBufferBlock, AfterWakeAllNeitherReadNorWriteWaits)
{
  // A publisher thread told to stop may reach its wait just after the wake; it must not sleep.
  RingBuffer<int> sut(options(WritePolicy::Block, ReadPolicy::Block, 1, kLongWait, kLongWait));
  sut.wakeAll();

  auto calls = std::async(std::launch::async, [&] {
    int value = 0;
    const BufferStatus emptyRead = sut.read(value);
    const BufferStatus first = sut.write(1);
    const BufferStatus fullWrite = sut.write(2);
    return std::vector<BufferStatus>{emptyRead, first, fullWrite};
  });

  ASSERT_EQ(calls.wait_for(kBound), std::future_status::ready);
  EXPECT_EQ(calls.get(), (std::vector<BufferStatus>{BufferStatus::TIMEOUT, BufferStatus::OK, BufferStatus::TIMEOUT}));
}

TEST(RingBufferBlock, WriterAndReaderThreadsPassEverySampleInOrder)
{
  RingBuffer<int> sut(options(WritePolicy::Block, ReadPolicy::Block, 4, kLongWait, kLongWait));
  constexpr int kSamples = 5000;

  auto writer = std::async(std::launch::async, [&] {
    for (int i = 0; i < kSamples; ++i)
    {
      if (sut.write(i) != BufferStatus::OK)
        return false;
    }
    return true;
  });
  std::vector<int> received;
  int value = 0;
  for (int i = 0; i < kSamples && sut.read(value) == BufferStatus::OK; ++i)
    received.push_back(value);

  ASSERT_EQ(writer.wait_for(kBound), std::future_status::ready);
  EXPECT_TRUE(writer.get());
  ASSERT_EQ(received.size(), static_cast<std::size_t>(kSamples));
  for (int i = 0; i < kSamples; ++i)
    ASSERT_EQ(received[i], i);
}

// --- reset ------------------------------------------------------------------------------------------

TEST(RingBufferReset, ResetDiscardsUnreadSamplesAndWhatReadbackWouldReturn)
{
  RingBuffer<int> sut;
  writeRange(sut, 1, 10);
  int value = 0;
  ASSERT_EQ(sut.read(value), BufferStatus::OK);

  sut.reset(RingBufferOptions());

  EXPECT_TRUE(sut.empty());
  EXPECT_EQ(sut.overwrittenCount(), 0u);
  EXPECT_EQ(sut.read(value), BufferStatus::EMPTY);
}

TEST(RingBufferReset, ResetTakesTheNewLength)
{
  RingBuffer<int> sut;

  sut.reset(options(WritePolicy::DoNothing, ReadPolicy::Readback, 3));

  EXPECT_EQ(sut.length(), 3u);
  writeRange(sut, 1, 3);
  EXPECT_TRUE(sut.full());
  EXPECT_EQ(sut.write(4), BufferStatus::FULL);
}

TEST(RingBufferReset, ZeroLengthResultsInDefaultLength)
{
  RingBuffer<int> sut(options(WritePolicy::Overwrite, ReadPolicy::Readback, 0));
  EXPECT_EQ(sut.length(), 8u);
}

TEST(RingBufferReset, ResetReleasesAWriterBlockedOnTheOldContents)
{
  RingBuffer<int> sut(options(WritePolicy::Block, ReadPolicy::DoNothing, 1, kLongWait));
  writeRange(sut, 1, 1);
  auto writer = std::async(std::launch::async, [&] { return sut.write(2); });
  ASSERT_TRUE(testsupport::waitUntil([&] { return sut.waitingWriters() == 1; }, kBound));

  sut.reset(options(WritePolicy::Block, ReadPolicy::DoNothing, 1, kLongWait));

  ASSERT_EQ(writer.wait_for(kBound), std::future_status::ready);
  EXPECT_EQ(writer.get(), BufferStatus::OK);
  EXPECT_EQ(readAll(sut), (std::vector<int>{2}));
}

// --- options from connector properties -------------------------------------------------------------

namespace
{

  RingBufferOptions optionsFrom(const std::map<std::string, std::string>& properties)
  {
    return rtm::readRingBufferOptions([&](const std::string& key) {
      const auto it = properties.find(key);
      return it == properties.end() ? std::string() : it->second;
    });
  }

}  // namespace

TEST(RingBufferOptionsFromProperties, NoPropertiesResultsInTheMiddlewareDefaults)
{
  const RingBufferOptions sut = optionsFrom({});

  EXPECT_EQ(sut.length, 8u);
  EXPECT_EQ(sut.writePolicy, WritePolicy::Overwrite);
  EXPECT_EQ(sut.writeTimeout, 1.0);
  EXPECT_EQ(sut.readPolicy, ReadPolicy::Readback);
  EXPECT_EQ(sut.readTimeout, 1.0);
}

TEST(RingBufferOptionsFromProperties, EveryKeyIsRead)
{
  const RingBufferOptions sut = optionsFrom({{"buffer.length", "16"},
                                             {"buffer.write.full_policy", "block"},
                                             {"buffer.write.timeout", "0.25"},
                                             {"buffer.read.empty_policy", "do_nothing"},
                                             {"buffer.read.timeout", "2"}});

  EXPECT_EQ(sut.length, 16u);
  EXPECT_EQ(sut.writePolicy, WritePolicy::Block);
  EXPECT_EQ(sut.writeTimeout, 0.25);
  EXPECT_EQ(sut.readPolicy, ReadPolicy::DoNothing);
  EXPECT_EQ(sut.readTimeout, 2.0);
}

TEST(RingBufferOptionsFromProperties, LengthsThatAreNotAUsableCountKeepTheDefault)
{
  for (const char* bad : {"0", "-3", "abc", "4x", "", "1.5", "99999999999999999999", "2000000"})
  {
    EXPECT_EQ(optionsFrom({{"buffer.length", bad}}).length, 8u) << '"' << bad << '"';
  }
  EXPECT_EQ(optionsFrom({{"buffer.length", " 4 "}}).length, 4u);
}

TEST(RingBufferOptionsFromProperties, WritePolicyIgnoresCase)
{
  EXPECT_EQ(optionsFrom({{"buffer.write.full_policy", "Do_Nothing"}}).writePolicy, WritePolicy::DoNothing);
  EXPECT_EQ(optionsFrom({{"buffer.write.full_policy", "BLOCK"}}).writePolicy, WritePolicy::Block);
  EXPECT_EQ(optionsFrom({{"buffer.write.full_policy", "discard"}}).writePolicy, WritePolicy::Overwrite);
}

TEST(RingBufferOptionsFromProperties, ReadPolicyIsCaseSensitive)
{
  EXPECT_EQ(optionsFrom({{"buffer.read.empty_policy", "block"}}).readPolicy, ReadPolicy::Block);
  EXPECT_EQ(optionsFrom({{"buffer.read.empty_policy", "Block"}}).readPolicy, ReadPolicy::Readback);
  EXPECT_EQ(optionsFrom({{"buffer.read.empty_policy", "DO_NOTHING"}}).readPolicy, ReadPolicy::Readback);
}

TEST(RingBufferOptionsFromProperties, TimeoutsThatAreNotANonNegativeNumberKeepTheDefault)
{
  for (const char* bad : {"-1", "x", "nan", "inf", "1s", ""})
  {
    const RingBufferOptions sut = optionsFrom({{"buffer.write.timeout", bad}, {"buffer.read.timeout", bad}});
    EXPECT_EQ(sut.writeTimeout, 1.0) << '"' << bad << '"';
    EXPECT_EQ(sut.readTimeout, 1.0) << '"' << bad << '"';
  }
  EXPECT_EQ(optionsFrom({{"buffer.read.timeout", "0"}}).readTimeout, 0.0);
}
