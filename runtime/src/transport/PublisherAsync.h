// Sends from a thread of its own, so that a slow peer never stalls the writer: each write is
// queued in the connection's ring buffer and the thread sends per the push policy, either as
// soon as something is queued ("new") or at a fixed rate while the component is active
// ("periodic"). A peer found gone is recorded; the port drops the connection at its next write.
#pragma once

#include "transport/DataEvents.h"
#include "transport/InPortCdrConsumer.h"
#include "transport/Publisher.h"
#include "transport/RingBuffer.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace rtm
{
  enum class PushPolicy
  {
    All,
    Fifo,
    Skip,
    New
  };

  struct AsyncPublisherOptions
  {
    bool periodic = false;
    double rateHz = 0.0;  // periodic only; > 0
    PushPolicy policy = PushPolicy::New;
    unsigned long skipCount = 0;
    RingBufferOptions buffer;
  };

  class PublisherAsync : public Publisher
  {
  public:
    PublisherAsync(std::unique_ptr<InPortCdrConsumer> consumer, const AsyncPublisherOptions& options, bool active,
                   std::shared_ptr<DataEvents> events = nullptr);
    ~PublisherAsync() override;

    SendStatus write(const CORBA::Octet* data, std::size_t length) noexcept override;
    bool lost() const noexcept override { return m_lost.load(); }
    void activate() noexcept override { m_active.store(true); }
    void deactivate() noexcept override { m_active.store(false); }
    void shutdown() noexcept override;

  private:
    using Octets = std::vector<CORBA::Octet>;
    void run() noexcept;
    void pushQueued();
    void reportEmpty();
    bool send(const Octets& sample);

    std::unique_ptr<InPortCdrConsumer> m_consumer;
    const AsyncPublisherOptions m_options;
    const std::shared_ptr<DataEvents> m_events;
    RingBuffer<Octets> m_buffer;

    std::mutex m_writeMutex;  // guards m_incoming
    Octets m_incoming;
    // Used by the publisher thread only.
    Octets m_outgoing;
    bool m_retry = false;  // m_outgoing was refused (peer full) and goes first next time
    unsigned long m_skipCounter = 0;

    std::mutex m_mutex;  // guards m_pending and m_stop
    std::condition_variable m_wake;
    bool m_pending = false;
    bool m_stop = false;

    std::atomic<bool> m_active;
    std::atomic<bool> m_lost{false};
    // The peer had no room for the last sample pushed; the writer hears of it at its next write.
    std::atomic<bool> m_peerFull{false};
    std::thread m_thread;
  };
}
