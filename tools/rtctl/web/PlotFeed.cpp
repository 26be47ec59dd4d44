#include "web/PlotFeed.h"

#include "web/JsonText.h"
#include "web/PlotBatch.h"

#include <nlohmann/json.hpp>

#include <chrono>

namespace rtctl
{
  namespace
  {
    // Samples go out at most this often, in one event: a port sending at 1 kHz must not cost
    // the browser a thousand events a second.
    const auto kBatchPeriod = std::chrono::milliseconds(50);
    const auto kPollPeriod = std::chrono::milliseconds(10);
    // What one page may fall behind by before its oldest batches are dropped (about 10 s).
    const size_t kStreamBacklog = 200;
    // Deep enough to hold a burst between two polls.
    const char* const kBufferLength = "4096";

    double millisecondsNow()
    {
      return std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch()).count();
    }
  }

  PlotFeed::PlotFeed(Session& session, const RtPath& port) : m_target(session, port, false), m_reader(nullptr)
  {
    std::unique_ptr<SampleReader> reader = m_target.codec().makeReader("port");
    m_reader = reader.get();
    m_local = std::make_unique<LocalComponent>(session.orb(), "plot", std::move(reader));
    PortConnector::Properties properties = m_target.connectorProperties();
    properties.emplace_back("dataport.inport.buffer.length", kBufferLength);
    m_local->connect(m_target.ref(), properties);
    m_thread = std::thread([this] { run(); });
  }

  PlotFeed::~PlotFeed()
  {
    m_stopping = true;
    if (m_thread.joinable())
      m_thread.join();
    m_streams.close();
  }

  std::shared_ptr<EventQueue> PlotFeed::subscribe() { return m_streams.subscribe(kStreamBacklog); }

  bool PlotFeed::idle() { return m_ended || m_streams.subscribers() == 0; }

  void PlotFeed::run()
  {
    PlotBatch batch;
    auto nextFlush = std::chrono::steady_clock::now() + kBatchPeriod;
    std::string value;
    RTC::Time stamp;
    std::string ended;
    while (!m_stopping)
    {
      while (m_reader->take(value, stamp))
        batch.add(millisecondsNow(), value);
      const auto now = std::chrono::steady_clock::now();
      if (now >= nextFlush)
      {
        if (!batch.empty())
          m_streams.publish({"samples", batch.take()});
        nextFlush = now + kBatchPeriod;
      }
      if (m_reader->port().connectionCount() == 0)
        ended = m_target.path().text() + " closed the connection";
      else if (m_target.vanished())
        ended = m_target.path().text() + " is gone";
      if (!ended.empty())
        break;
      std::this_thread::sleep_for(kPollPeriod);
    }
    if (ended.empty())
      return;
    if (!batch.empty())
      m_streams.publish({"samples", batch.take()});
    m_streams.publish({"end", JsonText::dump(nlohmann::json{{"reason", ended}})});
    m_streams.close();
    m_ended = true;
  }
}
