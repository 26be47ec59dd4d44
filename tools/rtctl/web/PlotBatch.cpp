#include "web/PlotBatch.h"

#include "web/JsonText.h"

namespace rtctl
{
  void PlotBatch::add(double milliseconds, const std::string& value) { m_samples.push_back({milliseconds, value}); }

  bool PlotBatch::empty() const { return m_samples.empty(); }

  std::string PlotBatch::take()
  {
    std::string text = JsonText::dump(nlohmann::json{{"samples", m_samples}});
    m_samples = nlohmann::json::array();
    return text;
  }
}
