#include "web/EventStream.h"

#include <httplib.h>

#include <cstring>

namespace rtctl
{
  namespace
  {
    // How long a stream may stay silent before it sends a comment to find out whether the
    // browser is still there.
    const auto kQuietLimit = std::chrono::milliseconds(1000);
    // How soon a browser's EventSource tries again after a lost stream (a restarted server).
    const char* const kRetry = "retry: 1000\n\n";
    const char* const kStillHere = ": still here\n\n";
  }

  std::string EventStream::frame(const Event& event)
  {
    std::string text = "event: " + event.name + "\n";
    std::string::size_type start = 0;
    for (;;)
    {
      std::string::size_type end = event.data.find('\n', start);
      std::string line = event.data.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      text += "data: " + line + "\n";
      if (end == std::string::npos)
        break;
      start = end + 1;
    }
    return text + "\n";
  }

  void EventStream::serve(httplib::Response& response, const std::shared_ptr<EventQueue>& queue,
                          const std::function<void()>& onEnd)
  {
    response.set_header("Cache-Control", "no-cache");
    auto started = std::make_shared<bool>(false);
    response.set_chunked_content_provider(
      "text/event-stream",
      [queue, started](size_t, httplib::DataSink& sink) {
        if (!*started)
        {
          *started = true;
          return sink.write(kRetry, std::strlen(kRetry));
        }
        Event event;
        if (queue->pop(event, kQuietLimit))
        {
          const std::string text = frame(event);
          return sink.write(text.data(), text.size());
        }
        if (queue->finished())
        {
          sink.done();
          return true;
        }
        return sink.write(kStillHere, std::strlen(kStillHere));
      },
      [queue, onEnd](bool) {
        queue->close();
        if (onEnd)
          onEnd();
      });
  }
}
