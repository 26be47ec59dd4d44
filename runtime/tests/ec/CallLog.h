// What a fake component heard from an execution context, in order, and what it should answer.
// Shared between the fake (called on the context's thread) and the test (reading it).
#pragma once

#include "testsupport/Wait.h"

#include <rtm/idl/RTC.hh>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace ectest
{

  class CallLog
  {
  public:
    struct Call
    {
      std::string name;
      RTC::ExecutionContextHandle_t handle;
    };

    // Records the call, runs the action set for it (outside the lock, so the action may call back
    // into the execution context) and answers with what the test scripted.
    RTC::ReturnCode_t enter(const std::string& name, RTC::ExecutionContextHandle_t handle)
    {
      std::function<void()> action;
      RTC::ReturnCode_t result = RTC::RTC_OK;
      bool raise = false;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back({name, handle});
        auto failing = m_failures.find(name);
        if (failing != m_failures.end() && failing->second > 0)
        {
          --failing->second;
          result = RTC::RTC_ERROR;
        }
        auto throwing = m_throws.find(name);
        if (throwing != m_throws.end() && throwing->second > 0)
        {
          --throwing->second;
          raise = true;
        }
        auto found = m_actions.find(name);
        if (found != m_actions.end())
        {
          action = found->second;
        }
      }
      if (action)
      {
        action();
      }
      if (raise)
      {
        throw std::runtime_error("handler failed: " + name);
      }
      return result;
    }

    void failNext(const std::string& name, int times = 1)
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_failures[name] = times;
    }

    void throwNext(const std::string& name, int times = 1)
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_throws[name] = times;
    }

    void onCall(const std::string& name, std::function<void()> action)
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_actions[name] = std::move(action);
    }

    std::vector<Call> calls() const
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      return m_calls;
    }

    // The names of the first n calls (all of them when there are fewer).
    std::vector<std::string> names(std::size_t n = SIZE_MAX) const
    {
      std::vector<std::string> out;
      for (const Call& c : calls())
      {
        if (out.size() == n)
        {
          break;
        }
        out.push_back(c.name);
      }
      return out;
    }

    std::size_t count(const std::string& name) const
    {
      const auto all = calls();
      return static_cast<std::size_t>(
        std::count_if(all.begin(), all.end(), [&](const Call& c) { return c.name == name; }));
    }

    bool waitForCount(const std::string& name, std::size_t n,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const
    {
      return testsupport::waitUntil([&] { return count(name) >= n; }, timeout, std::chrono::milliseconds(1));
    }

    void clear()
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_calls.clear();
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::map<std::string, int> m_failures;
    std::map<std::string, int> m_throws;
    std::map<std::string, std::function<void()>> m_actions;
  };

}  // namespace ectest
