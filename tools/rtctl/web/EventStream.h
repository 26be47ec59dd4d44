// Server-sent events over one HTTP response: the frames the browser's EventSource reads, and the
// loop that sends a queue's events until the queue ends or the browser goes away. While nothing
// happens a comment line is sent now and then, so that a browser that vanished without closing
// its connection is noticed by a failed write and its stream ends.
#pragma once

#include "web/EventQueue.h"

#include <functional>
#include <memory>
#include <string>

namespace httplib
{
  struct Response;
}

namespace rtctl
{
  class EventStream
  {
  public:
    // "event: NAME\ndata: LINE\n...\n\n"; every line of the data gets its own "data:" field, as
    // the format requires (a bare newline would end the event early).
    static std::string frame(const Event& event);

    // Makes `response` stream `queue`. `onEnd` runs once the stream is over, whichever side
    // ended it.
    static void serve(httplib::Response& response, const std::shared_ptr<EventQueue>& queue,
                      const std::function<void()>& onEnd = nullptr);
  };
}
