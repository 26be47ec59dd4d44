// The samples a plot received since the last event, as the JSON the page's plots read. Each
// value is whatever the port sent, shown as text: a TimedString may carry any bytes.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace rtctl
{
  class PlotBatch
  {
  public:
    // `milliseconds` since 1970, when the sample arrived.
    void add(double milliseconds, const std::string& value);
    bool empty() const;
    // {"samples": [[milliseconds, "value"], ...]}, after which the batch is empty again.
    std::string take();

  private:
    nlohmann::json m_samples = nlohmann::json::array();
  };
}
