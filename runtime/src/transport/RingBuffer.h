// RingBuffer.h -- the bounded FIFO between a port's sender and its receiver.
//
// An InPort owns one, shared by all its connections (the ORB threads serving put() write, the
// execution context reads); an asynchronous publisher owns one per connection (the component
// writes, the publisher thread reads). Policies and defaults are the 1.1 middleware's, configured
// by the connector's "buffer.*" options.
#pragma once

#include <coil/stringutil.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

namespace rtm
{

  enum class WritePolicy
  {
    Overwrite,
    DoNothing,
    Block
  };
  enum class ReadPolicy
  {
    Readback,
    DoNothing,
    Block
  };
  enum class BufferStatus
  {
    OK,
    FULL,
    EMPTY,
    TIMEOUT
  };

  struct RingBufferOptions
  {
    std::size_t length = 8;
    WritePolicy writePolicy = WritePolicy::Overwrite;
    double writeTimeout = 1.0;  // seconds
    ReadPolicy readPolicy = ReadPolicy::Readback;
    double readTimeout = 1.0;  // seconds
  };

  namespace detail
  {

    // Parses the whole of `t` (spaces and tabs around allowed, as the middleware's coil reads
    // every setting) into `value`; false leaves `value` alone.
    template <class Number>
    bool parseNumber(std::string t, Number& value)
    {
      coil::eraseBothEndsBlank(t);
      Number parsed{};
      const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), parsed);
      if (t.empty() || error != std::errc() || end != t.data() + t.size())
      {
        return false;
      }
      value = parsed;
      return true;
    }

  }  // namespace detail

  // Builds the options from a connector's properties (`lookup` returns "" for an absent key).
  // Values we cannot use keep their default rather than failing the connection, as the middleware
  // does. The length comes from the peer's connector profile, so an absurd one is refused too.
  inline RingBufferOptions readRingBufferOptions(const std::function<std::string(const std::string& key)>& lookup)
  {
    constexpr std::size_t kMaxLength = std::size_t{1} << 20;
    RingBufferOptions options;

    std::size_t length = 0;
    if (detail::parseNumber(lookup("buffer.length"), length) && length > 0 && length <= kMaxLength)
    {
      options.length = length;
    }

    // Write policy names are matched case-insensitively, read policy names exactly, as the
    // middleware does.
    std::string write = lookup("buffer.write.full_policy");
    coil::normalize(write);
    if (write == "overwrite")
      options.writePolicy = WritePolicy::Overwrite;
    if (write == "do_nothing")
      options.writePolicy = WritePolicy::DoNothing;
    if (write == "block")
      options.writePolicy = WritePolicy::Block;

    std::string read = lookup("buffer.read.empty_policy");
    coil::eraseBothEndsBlank(read);
    if (read == "readback")
      options.readPolicy = ReadPolicy::Readback;
    if (read == "do_nothing")
      options.readPolicy = ReadPolicy::DoNothing;
    if (read == "block")
      options.readPolicy = ReadPolicy::Block;

    const auto readTimeout = [&](const char* key, double& seconds) {
      double value = 0.0;
      if (detail::parseNumber(lookup(key), value) && std::isfinite(value) && value >= 0.0)
      {
        seconds = value;
      }
    };
    readTimeout("buffer.write.timeout", options.writeTimeout);
    readTimeout("buffer.read.timeout", options.readTimeout);
    return options;
  }

  // A fixed-capacity FIFO of T with the middleware's full/empty policies. Thread-safe for any
  // number of readers and writers. All slots are allocated by reset(): afterwards write() and read()
  // only copy-assign into existing slots, so for fixed-size T they allocate nothing.
  template <class T>
  class RingBuffer
  {
  public:
    explicit RingBuffer(const RingBufferOptions& options = RingBufferOptions(), const T& prototype = T())
    {
      reset(options, prototype);
    }

    RingBuffer(const RingBuffer&) = delete;
    RingBuffer& operator=(const RingBuffer&) = delete;

    // Discards every sample (and what readback would return) and takes the new options. Each slot
    // starts as a copy of `prototype`, so a T that allocates on first assignment can do so here.
    void reset(const RingBufferOptions& options, const T& prototype = T())
    {
      RingBufferOptions accepted = options;
      if (accepted.length == 0)
      {
        accepted.length = RingBufferOptions().length;
      }
      // Built before taking the lock, so that a failed allocation leaves the buffer as it was.
      std::vector<T> slots(accepted.length, prototype);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        options_ = accepted;
        slots_.swap(slots);
        head_ = 0;
        count_ = 0;
        everRead_ = false;
        overwritten_ = 0;
        woken_ = false;
      }
      // Blocked writers now have room; blocked readers go back to waiting.
      notFull_.notify_all();
      notEmpty_.notify_all();
    }

    BufferStatus write(const T& sample)
    {
      return store([&sample](T& slot) { slot = sample; });
    }

    // As write(), but trades places with the slot instead of copying: `sample` is left holding
    // what the slot held. For samples whose copy costs more than their swap.
    BufferStatus writeSwapping(T& sample)
    {
      return store([&sample](T& slot) {
        using std::swap;
        swap(slot, sample);
      });
    }

  private:
    template <class Store>
    BufferStatus store(Store&& into)
    {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (count_ == options_.length)
        {
          switch (options_.writePolicy)
          {
            case WritePolicy::Overwrite:
              head_ = next(head_);
              --count_;
              ++overwritten_;
              break;
            case WritePolicy::DoNothing:
              return BufferStatus::FULL;
            case WritePolicy::Block:
            {
              ++waitingWriters_;
              const bool woken = notFull_.wait_for(lock, seconds(options_.writeTimeout),
                                                   [this] { return count_ < options_.length || woken_; });
              --waitingWriters_;
              if (!woken || count_ == options_.length)
              {
                return BufferStatus::TIMEOUT;
              }
              break;
            }
          }
        }
        into(slots_[(head_ + count_) % slots_.size()]);
        ++count_;
      }
      notEmpty_.notify_one();
      return BufferStatus::OK;
    }

  public:
    BufferStatus read(T& out)
    {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (count_ == 0)
        {
          switch (options_.readPolicy)
          {
            case ReadPolicy::Readback:
              if (!everRead_)
              {
                return BufferStatus::EMPTY;
              }
              // While the buffer is empty the slot just behind the head still holds the sample read
              // last: a write into it would have made the buffer non-empty.
              out = slots_[previous(head_)];
              return BufferStatus::OK;
            case ReadPolicy::DoNothing:
              return BufferStatus::EMPTY;
            case ReadPolicy::Block:
            {
              ++waitingReaders_;
              const bool woken =
                notEmpty_.wait_for(lock, seconds(options_.readTimeout), [this] { return count_ > 0 || woken_; });
              --waitingReaders_;
              if (!woken || count_ == 0)
              {
                return BufferStatus::TIMEOUT;
              }
              break;
            }
          }
        }
        out = slots_[head_];
        head_ = next(head_);
        --count_;
        everRead_ = true;
      }
      notFull_.notify_one();
      return BufferStatus::OK;
    }

    // Releases every blocked write() and read() with TIMEOUT, and keeps later ones from waiting
    // until the next reset(): a thread that is being stopped may reach its wait just after the wake.
    void wakeAll()
    {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        woken_ = true;
      }
      notFull_.notify_all();
      notEmpty_.notify_all();
    }

    std::size_t readable() const
    {
      std::lock_guard<std::mutex> lock(mutex_);
      return count_;
    }
    bool empty() const { return readable() == 0; }
    bool full() const
    {
      std::lock_guard<std::mutex> lock(mutex_);
      return count_ == options_.length;
    }
    std::size_t length() const
    {
      std::lock_guard<std::mutex> lock(mutex_);
      return options_.length;
    }
    // Readers blocked in read() for a sample, writers blocked in write() for room, right now:
    // whoever must act only once one waits (a test of the wake-up) watches these rather than
    // guessing with a sleep.
    std::size_t waitingReaders() const
    {
      std::lock_guard<std::mutex> lock(mutex_);
      return waitingReaders_;
    }
    std::size_t waitingWriters() const
    {
      std::lock_guard<std::mutex> lock(mutex_);
      return waitingWriters_;
    }
    // Samples dropped unread by the Overwrite policy since the last reset().
    std::uint64_t overwrittenCount() const
    {
      std::lock_guard<std::mutex> lock(mutex_);
      return overwritten_;
    }

  private:
    // Bounded so that converting to the clock's ticks cannot overflow, whatever reset() was given.
    static std::chrono::nanoseconds seconds(double s)
    {
      constexpr double kLongestWait = 1.0e6;
      const double bounded = std::isnan(s) ? 0.0 : std::clamp(s, 0.0, kLongestWait);
      return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(bounded));
    }
    std::size_t next(std::size_t i) const { return (i + 1) % slots_.size(); }
    std::size_t previous(std::size_t i) const { return (i + slots_.size() - 1) % slots_.size(); }

    mutable std::mutex mutex_;
    std::condition_variable notFull_;
    std::condition_variable notEmpty_;
    RingBufferOptions options_;
    std::vector<T> slots_;
    std::size_t head_ = 0;  // oldest unread sample
    std::size_t count_ = 0;  // unread samples
    bool everRead_ = false;
    bool woken_ = false;
    std::size_t waitingReaders_ = 0;
    std::size_t waitingWriters_ = 0;
    std::uint64_t overwritten_ = 0;
  };

}  // namespace rtm
