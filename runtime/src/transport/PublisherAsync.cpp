#include "transport/PublisherAsync.h"

#include "log/ServantBoundary.h"

#include <chrono>

namespace rtm
{
  namespace
  {
    // The thread drains the buffer; a read must report empty rather than repeat a sample.
    RingBufferOptions drained(RingBufferOptions options)
    {
      options.readPolicy = ReadPolicy::DoNothing;
      return options;
    }
  }

  PublisherAsync::PublisherAsync(std::unique_ptr<InPortCdrConsumer> consumer, const AsyncPublisherOptions& options,
                                 bool active, std::shared_ptr<DataEvents> events)
    : m_consumer(std::move(consumer)), m_options(options), m_events(std::move(events)),
      m_buffer(drained(options.buffer)), m_active(active)
  {
    m_thread = std::thread([this] { run(); });
  }

  PublisherAsync::~PublisherAsync() { PublisherAsync::shutdown(); }

  SendStatus PublisherAsync::write(const CORBA::Octet* data, std::size_t length) noexcept
  {
    return guarded(
      "transport", "publisher write", [] { return SendStatus::UNKNOWN_ERROR; },
      [&] {
        if (m_events)
          m_events->data(RTC::ON_BUFFER_WRITE, data, length);
        BufferStatus status;
        {
          std::lock_guard<std::mutex> lock(m_writeMutex);
          m_incoming.assign(data, data + length);  // reuses the capacity of earlier samples
          status = m_buffer.write(m_incoming);
        }
        if (m_events && status == BufferStatus::FULL)
          m_events->data(RTC::ON_BUFFER_FULL, data, length);
        else if (m_events && status == BufferStatus::TIMEOUT)
          m_events->data(RTC::ON_BUFFER_WRITE_TIMEOUT, data, length);
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_pending = true;
        }
        m_wake.notify_one();
        // The buffer took it, but what the thread met last is news the writer must hear.
        if (status == BufferStatus::OK && m_lost.load())
          return SendStatus::CONNECTION_LOST;
        if (status == BufferStatus::OK && m_peerFull.load())
          return SendStatus::BUFFER_FULL;
        return toSendStatus(status);
      });
  }

  void PublisherAsync::shutdown() noexcept
  {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_stop = true;
    }
    m_wake.notify_all();
    m_buffer.wakeAll();
    try
    {
      if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
    }
    catch (const std::system_error& e)
    {
      RTM_LOG_ERROR("transport", "publisher thread not joined: " << e.what());
    }
  }

  void PublisherAsync::run() noexcept
  {
    using Clock = std::chrono::steady_clock;
    const auto period =
      m_options.periodic
        ? std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / m_options.rateHz))
        : Clock::duration::zero();
    auto deadline = Clock::now() + period;
    for (;;)
    {
      try
      {
        {
          std::unique_lock<std::mutex> lock(m_mutex);
          if (m_options.periodic)
          {
            m_wake.wait_until(lock, deadline, [this] { return m_stop; });
            // Absolute deadlines keep the rate without drift; after an overrun the missed
            // periods are skipped instead of sent in a burst.
            deadline += period;
            const auto now = Clock::now();
            if (deadline < now)
              deadline = now + period;
          }
          else
          {
            m_wake.wait(lock, [this] { return m_stop || m_pending; });
            m_pending = false;
          }
          if (m_stop)
            return;
        }
        if (m_lost.load() || (m_options.periodic && !m_active.load()))
          continue;
        pushQueued();
      }
      catch (...)
      {
        // Keep the thread alive: the next cycle tries again.
        RTM_LOG_ERROR("transport", "publisher cycle failed: " << currentExceptionText());
      }
    }
  }

  void PublisherAsync::pushQueued()
  {
    // A period with nothing to send is an event of its own.
    if (m_events && m_options.periodic && !m_retry && m_buffer.readable() == 0)
    {
      reportEmpty();
      return;
    }
    if (m_retry)
    {
      if (!send(m_outgoing) && m_retry)
        return;
      if (m_options.policy == PushPolicy::Fifo && m_options.periodic)
        return;
    }
    switch (m_options.policy)
    {
      case PushPolicy::All:
        while (m_buffer.read(m_outgoing) == BufferStatus::OK)
          if (!send(m_outgoing))
            return;
        break;
      case PushPolicy::Fifo:
        // One sample a period; without a period, one per wake-up until the queue is empty.
        do
        {
          if (m_buffer.read(m_outgoing) != BufferStatus::OK || !send(m_outgoing))
            return;
        } while (!m_options.periodic);
        break;
      case PushPolicy::Skip:
        while (m_buffer.read(m_outgoing) == BufferStatus::OK)
        {
          if (m_skipCounter++ % (m_options.skipCount + 1) != 0)
            continue;
          if (!send(m_outgoing))
            return;
        }
        break;
      case PushPolicy::New:
      {
        bool any = false;
        while (m_buffer.read(m_outgoing) == BufferStatus::OK)
          any = true;
        if (any)
          send(m_outgoing);
        break;
      }
    }
  }

  void PublisherAsync::reportEmpty()
  {
    m_events->plain(RTC::ON_BUFFER_EMPTY);
    m_events->plain(RTC::ON_SENDER_EMPTY);
  }

  // False if the sample was not delivered; one the peer had no room for is tried again first.
  bool PublisherAsync::send(const Octets& sample)
  {
    if (m_events)
    {
      m_events->data(RTC::ON_BUFFER_READ, sample.data(), sample.size());
      m_events->data(RTC::ON_SEND, sample.data(), sample.size());
    }
    const SendStatus status = m_consumer->put(sample.data(), sample.size());
    if (m_events)
      m_events->data(peerAnswerEvent(status, false), sample.data(), sample.size());
    m_peerFull.store(status == SendStatus::SEND_FULL);
    m_retry =
      (status == SendStatus::SEND_FULL || status == SendStatus::SEND_TIMEOUT) && m_options.policy != PushPolicy::New;
    if (status == SendStatus::CONNECTION_LOST)
      m_lost.store(true);
    return status == SendStatus::OK;
  }
}
