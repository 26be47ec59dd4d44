#include "component/DataPortSweep.h"

#include <rtm/InPortBase.h>
#include <rtm/OutPortBase.h>

#include <algorithm>

namespace rtm
{
  DataPortSweep::DataPortSweep()
    : m_in(std::make_shared<std::vector<RTC::InPortBase*>>()), m_out(std::make_shared<std::vector<RTC::OutPortBase*>>())
  {}

  void DataPortSweep::addIn(RTC::InPortBase& port)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto next = std::make_shared<std::vector<RTC::InPortBase*>>(*std::atomic_load(&m_in));
    next->push_back(&port);
    std::atomic_store(&m_in, std::shared_ptr<const std::vector<RTC::InPortBase*>>(next));
  }

  void DataPortSweep::addOut(RTC::OutPortBase& port)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto next = std::make_shared<std::vector<RTC::OutPortBase*>>(*std::atomic_load(&m_out));
    next->push_back(&port);
    std::atomic_store(&m_out, std::shared_ptr<const std::vector<RTC::OutPortBase*>>(next));
  }

  void DataPortSweep::remove(const RTC::PortBase& port)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto in = std::make_shared<std::vector<RTC::InPortBase*>>(*std::atomic_load(&m_in));
    in->erase(std::remove_if(in->begin(), in->end(),
                             [&port](RTC::InPortBase* p) { return static_cast<const RTC::PortBase*>(p) == &port; }),
              in->end());
    std::atomic_store(&m_in, std::shared_ptr<const std::vector<RTC::InPortBase*>>(in));
    auto out = std::make_shared<std::vector<RTC::OutPortBase*>>(*std::atomic_load(&m_out));
    out->erase(std::remove_if(out->begin(), out->end(),
                              [&port](RTC::OutPortBase* p) { return static_cast<const RTC::PortBase*>(p) == &port; }),
               out->end());
    std::atomic_store(&m_out, std::shared_ptr<const std::vector<RTC::OutPortBase*>>(out));
  }

  bool DataPortSweep::readAll()
  {
    const bool completion = m_readAllCompletion.load();
    bool all = true;
    for (RTC::InPortBase* port : *std::atomic_load(&m_in))
    {
      if (port->read())
        continue;
      all = false;
      if (!completion)
        break;
    }
    return all;
  }

  bool DataPortSweep::writeAll()
  {
    const bool completion = m_writeAllCompletion.load();
    bool all = true;
    for (RTC::OutPortBase* port : *std::atomic_load(&m_out))
    {
      if (port->write())
        continue;
      all = false;
      if (!completion)
        break;
    }
    return all;
  }

  void DataPortSweep::setReadAll(bool read, bool completion)
  {
    m_readAllCompletion.store(completion);
    m_readAll.store(read);
  }

  void DataPortSweep::setWriteAll(bool write, bool completion)
  {
    m_writeAllCompletion.store(completion);
    m_writeAll.store(write);
  }
}
