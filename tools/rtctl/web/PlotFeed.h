// The samples one output port sends, for the page's live plots: a component of rtctl's own is
// connected to the port (as `rtctl print` connects one) for as long as some page plots it, and
// a thread of the feed hands the samples to those pages in batches, each sample with the time
// it arrived (components often leave the time stamp unset).
#pragma once

#include "web/EventFanout.h"

#include "client/DataPortTarget.h"
#include "client/LocalComponent.h"
#include "client/Session.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace rtctl
{
  class PlotFeed
  {
  public:
    // Connects to the port; throws Error naming it when it is not an output port of a type
    // rtctl carries, or cannot be reached.
    PlotFeed(Session& session, const RtPath& port);
    // Ends every stream, disconnects from the port and removes rtctl's component.
    ~PlotFeed();
    PlotFeed(const PlotFeed&) = delete;
    PlotFeed& operator=(const PlotFeed&) = delete;

    // A stream of "samples" events, {"samples": [[milliseconds since 1970, "value"], ...]},
    // and a last "end" event, {"reason": "..."}, when the port closes the connection or its
    // process is gone.
    std::shared_ptr<EventQueue> subscribe();
    // True once nobody plots the port any more, or the port has gone: the feed can be dropped.
    bool idle();

  private:
    void run();

    DataPortTarget m_target;
    SampleReader* m_reader;  // owned by m_local
    std::unique_ptr<LocalComponent> m_local;
    EventFanout m_streams;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_ended{false};
    std::thread m_thread;
  };
}
