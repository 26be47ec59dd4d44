// The receiving end of the data-port figures: a host of one component with an InPort<TimedLong>
// "in", activated at start-up in its own execution context, whose onExecute reads every waiting
// sample. The writer puts a sequence number in each sample's data, so gaps show samples lost.
// On SIGINT the host shuts down and prints:
//   reader_received= reader_gaps= reader_allocs_per_read= reader_allocs_per_sample=
//   reader_ticks= reader_isnew_allocs= reader_tick_allocs=
// allocs_per_read: what read() allocated on the reading thread; allocs_per_sample: what the whole
// process allocated per sample received (the ORB's upcall and our receive path included);
// isnew_allocs and tick_allocs: totals on the context's thread in isNew() and between two
// onExecute calls (the context's own machinery).
//   port_reader [MANAGER OPTIONS...]     binds Reader0
#include "testsupport/AllocationCounter.h"

#include <rtm/DataFlowComponentBase.h>
#include <rtm/InPort.h>
#include <rtm/Manager.h>
#include <rtm/idl/BasicDataTypeSkel.h>

#include <cstdint>
#include <iostream>

namespace
{
  // Samples before this one warm the path up and are left out of the per-sample figures. It must
  // exceed the ring buffer's length (16384, set by port_writer's connection): each slot's sample
  // is made on the slot's first use, which is start-up, not steady state.
  constexpr std::uint64_t kWarmSamples = 20000;

  struct ReadStats
  {
    std::uint64_t received = 0;
    std::uint64_t gaps = 0;
    std::uint64_t readAllocs = 0;
    std::uint64_t isNewAllocs = 0;
    // What the execution context's thread allocated between two onExecute calls: the runtime's
    // own tick machinery, which should allocate nothing.
    std::uint64_t ticks = 0;
    std::uint64_t tickAllocs = 0;
    std::uint64_t threadAllocsAtExit = 0;
    std::uint64_t processAllocsAtWarm = 0;
    std::uint64_t processAllocsLast = 0;
    CORBA::Long expected = 0;
  };
  // Touched by the execution context's thread only; printed after the manager has stopped it.
  ReadStats g_stats;

  class Reader : public RTC::DataFlowComponentBase
  {
  public:
    explicit Reader(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager), m_inPort("in", m_sample) {}

    RTC::ReturnCode_t onInitialize() override
    {
      addInPort("in", m_inPort);
      return RTC::RTC_OK;
    }

    RTC::ReturnCode_t onExecute(RTC::UniqueId) override
    {
      ReadStats& s = g_stats;
      const std::uint64_t entry = testsupport::threadAllocations();
      if (s.ticks++ > 0)
        s.tickAllocs += entry - s.threadAllocsAtExit;
      for (;;)
      {
        const std::uint64_t beforeIsNew = testsupport::threadAllocations();
        const bool waiting = m_inPort.isNew();
        const std::uint64_t before = testsupport::threadAllocations();
        s.isNewAllocs += before - beforeIsNew;
        if (!waiting)
          break;
        m_inPort.read();
        const std::uint64_t after = testsupport::threadAllocations();
        ++s.received;
        if (s.received > kWarmSamples)
          s.readAllocs += after - before;
        if (m_sample.data > s.expected)
          s.gaps += std::uint64_t(m_sample.data - s.expected);
        s.expected = m_sample.data + 1;
        if (s.received == kWarmSamples)
          s.processAllocsAtWarm = testsupport::processAllocations();
        s.processAllocsLast = testsupport::processAllocations();
      }
      s.threadAllocsAtExit = testsupport::threadAllocations();
      return RTC::RTC_OK;
    }

  private:
    RTC::TimedLong m_sample;
    RTC::InPort<RTC::TimedLong> m_inPort;
  };

  // A profile table keeps its hand layout.
  // clang-format off
  const char* const kSpec[] = {
    "implementation_id", "Reader", "type_name", "Reader", "description", "Benchmark reader",
    "version", "1.0.0", "vendor", "bench", "category", "bench", "activity_type", "PERIODIC",
    "kind", "DataFlowComponent", "max_instance", "1", "language", "C++", "lang_type", "compile", ""};
  // clang-format on

  RTC::RTObject_impl* create(RTC::Manager* manager) { return new Reader(manager); }
  void destroy(RTC::RTObject_impl* rtc) { delete rtc; }

  void moduleInit(RTC::Manager* manager)
  {
    coil::Properties profile(kSpec, 2147483647);
    manager->registerFactory(profile, create, destroy);
    RTC::RTObject_impl* comp = manager->createComponent("Reader");
    if (comp == nullptr)
    {
      std::cerr << "port_reader: the component was not created\n";
      return;
    }
    RTC::ExecutionContext_var ec = comp->getExecutionContext(0);
    if (ec->activate_component(comp->getObjRef()) != RTC::RTC_OK)
      std::cerr << "port_reader: activation refused\n";
  }
}

int main(int argc, char** argv)
{
  RTC::Manager* manager = RTC::Manager::init(argc, argv);
  manager->setModuleInitProc(moduleInit);
  manager->activateManager();
  manager->runManager(false);

  const ReadStats& s = g_stats;
  const std::uint64_t steady = s.received > kWarmSamples ? s.received - kWarmSamples : 0;
  std::cout << "reader_received=" << s.received << " reader_gaps=" << s.gaps;
  if (steady > 0)
    std::cout << " reader_allocs_per_read=" << double(s.readAllocs) / double(steady)
              << " reader_allocs_per_sample=" << double(s.processAllocsLast - s.processAllocsAtWarm) / double(steady);
  std::cout << " reader_ticks=" << s.ticks << " reader_isnew_allocs=" << s.isNewAllocs
            << " reader_tick_allocs=" << s.tickAllocs << std::endl;
  std::cout << "reader_threads: ";
  testsupport::printThreadAllocations(std::cout);
  return 0;
}
