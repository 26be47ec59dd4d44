#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace testsupport
{

  // Polls instead of sleeping a fixed time, so tests are as fast as the system under test allows and
  // only a broken system pays the whole timeout. The predicate is checked once more at the deadline,
  // so a condition that became true during the last sleep is not reported as a timeout.
  inline bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout,
                        std::chrono::milliseconds step = std::chrono::milliseconds(10))
  {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred())
    {
      const auto now = std::chrono::steady_clock::now();
      if (now >= deadline)
      {
        return pred();
      }
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(step, deadline - now));
    }
    return true;
  }

}  // namespace testsupport
