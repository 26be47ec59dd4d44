// The component's data ports in the order they were added, for readAll() and writeAll(), and
// whether the execution context's tick does them around onExecute. The lists are replaced, not
// changed in place, so a tick walks them without a lock and without allocating.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace RTC
{
  class InPortBase;
  class OutPortBase;
  class PortBase;
}

namespace rtm
{
  class DataPortSweep
  {
  public:
    DataPortSweep();

    void addIn(RTC::InPortBase& port);
    void addOut(RTC::OutPortBase& port);
    void remove(const RTC::PortBase& port);

    // read()/write() on each port in order; with completion every port is tried, else the first
    // false ends the sweep. True if every port tried said true.
    bool readAll();
    bool writeAll();

    void setReadAll(bool read, bool completion);
    void setWriteAll(bool write, bool completion);
    bool readsAround() const { return m_readAll.load(); }
    bool writesAround() const { return m_writeAll.load(); }

  private:
    std::mutex m_mutex;  // serialises replacing the lists
    std::shared_ptr<const std::vector<RTC::InPortBase*>> m_in;
    std::shared_ptr<const std::vector<RTC::OutPortBase*>> m_out;
    std::atomic<bool> m_readAll{false};
    std::atomic<bool> m_readAllCompletion{false};
    std::atomic<bool> m_writeAll{false};
    std::atomic<bool> m_writeAllCompletion{false};
  };
}
