// Spaces sends at a fixed rate against absolute deadlines, so that the rate holds however long
// each send takes; and reads the clock for time stamps.
#pragma once

#include <rtm/idl/BasicDataType.hh>

#include <chrono>

namespace rtctl
{
  class Pacer
  {
  public:
    // rate in samples a second; 0 for no pacing.
    explicit Pacer(double rate);
    // Returns at once the first time, then at most `rate` times a second.
    void waitTurn();
    // The wall clock as the middleware stamps samples.
    static RTC::Time now();

  private:
    std::chrono::steady_clock::duration m_period;
    std::chrono::steady_clock::time_point m_next;
    bool m_started = false;
  };
}
