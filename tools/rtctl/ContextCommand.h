// start, stop and rate: what a user asks of one execution context of a component as a whole
// (every component in it is affected), rather than of the component's state in it.
#pragma once

#include "Command.h"

#include <string>

namespace rtctl
{
  class ContextCommand : public Command
  {
  public:
    enum Request
    {
      kStart,
      kStop,
      kRate,
    };

    explicit ContextCommand(Request request) : m_request(request) {}
    const char* name() const override;
    const char* summary() const override;
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;

    // "200", "0.5", "-1": the rate a user typed, in Hz. Zero and negative rates are passed on
    // for the context to refuse, as it does for any client; a word, an empty text or a value
    // that is not finite is a UsageError.
    static double parseRate(const std::string& text);
    // 1000 → "1000", 0.5 → "0.5": as many digits as the rate needs, no trailing zeros.
    static std::string rateText(double rate);

  private:
    Request m_request;
  };
}
