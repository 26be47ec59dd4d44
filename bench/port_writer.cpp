// The sending end of the data-port figures, each measured side by side with a bare omniORB call
// carrying the same 12 octets (OpenRTM::InPortCdr::put on bare_server's servant):
//   - latency: OutPort<TimedLong>::write() with a "flush" connection to port_reader's InPort,
//     against put(); blocks of the two alternate so drifts in machine speed hit both alike;
//   - sustained rate: back-to-back writes, against back-to-back puts, in alternating slices;
//   - heap allocations per call on the calling thread (a flush write runs entirely on it).
// Prints one line of key=value figures; DUMPFILE gets "quantile write_us put_us" lines for a CDF.
//   port_writer NSPORT SAMPLES SECONDS DUMPFILE|- [-- MANAGER OPTIONS...]
#include "testsupport/AllocationCounter.h"
#include "BenchManager.h"
#include "BenchNaming.h"
#include "BenchPorts.h"
#include "TickAnalysis.h"
#include "testsupport/PushConnection.h"
#include "testsupport/TimedLongPeer.h"

#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>
#include <rtm/OutPort.h>
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/idl/DataPort.hh>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace
{
  using Clock = std::chrono::steady_clock;

  constexpr std::size_t kWarmCalls = 2000;
  constexpr std::size_t kBlock = 500;  // calls of one kind before switching to the other
  constexpr int kSlices = 4;  // sustained slices, alternating, half of them ours

  testsupport::TimedLongPeer* g_writer = nullptr;

  void moduleInit(RTC::Manager* manager) { g_writer = testsupport::TimedLongPeer::create(manager, "Writer"); }

  // A push connection with synchronous sends, as a tool would make it. The reader's buffer is long
  // enough to absorb what arrives between two of its ticks at the highest rate we reach.
  RTC::ReturnCode_t connectFlush(RTC::PortService_ptr out, RTC::PortService_ptr in)
  {
    RTC::ConnectorProfile cp = testsupport::pushProfile("bench", out, in);
    testsupport::addProperty(cp.properties, "dataport.buffer.length", "16384");
    return out->connect(cp);
  }

  struct Totals
  {
    std::vector<double> latencyUs;
    std::uint64_t allocs = 0;
    std::uint64_t calls = 0;
    std::uint64_t failed = 0;
    double pushSeconds = 0;
    std::uint64_t pushed = 0;
  };

}

int main(int argc, char** argv)
{
  if (argc < 5 || (argc > 5 && std::strcmp(argv[5], "--") != 0))
  {
    std::cerr << "usage: port_writer NSPORT SAMPLES SECONDS DUMPFILE|- [-- MANAGER OPTIONS...]\n";
    return 2;
  }
  const int nsPort = static_cast<int>(bench::argNumber(argv[1], "NSPORT"));
  const std::size_t samples = std::size_t(bench::argNumber(argv[2], "SAMPLES"));
  const double seconds = double(bench::argNumber(argv[3], "SECONDS"));
  const std::string dump = argv[4];

  RTC::Manager* manager = bench::startManager(argc, argv, 6, moduleInit);
  if (g_writer == nullptr)
  {
    std::cerr << "port_writer: the component was not created\n";
    manager->shutdown();
    return 1;
  }

  Totals ours, bare;
  CORBA::Long seq = 0;
  try
  {
    CosNaming::NamingContextExt_var root = bench::namingRoot(manager->getORB(), nsPort);
    CORBA::Object_var readerObj = bench::waitFor(root, bench::componentPath("Reader0"), 20.0);
    CORBA::Object_var bareObj = bench::waitFor(root, bench::componentPath("Bare0"), 20.0);
    RTC::RTObject_var reader = RTC::RTObject::_narrow(readerObj);
    RTC::PortService_var inPort = CORBA::is_nil(reader) ? RTC::PortService::_nil() : bench::findPort(reader, "in");
    OpenRTM::InPortCdr_var bareCdr = OpenRTM::InPortCdr::_narrow(bareObj);
    if (CORBA::is_nil(inPort) || CORBA::is_nil(bareCdr))
    {
      std::cerr << "port_writer: Reader0's port \"in\" or Bare0 not found\n";
      manager->shutdown();
      return 1;
    }
    const RTC::ReturnCode_t rc = connectFlush(g_writer->out.getPortRef(), inPort);
    if (rc != RTC::RTC_OK)
    {
      std::cerr << "port_writer: connect refused (code " << rc << ")\n";
      manager->shutdown();
      return 1;
    }

    OpenRTM::CdrData payload;
    bench::encodeTimedLong(payload, 0);

    auto writeOnce = [&]() {
      if (!g_writer->write(seq++))
        ++ours.failed;
    };
    auto putOnce = [&]() {
      bench::encodeTimedLong(payload, seq);
      if (bareCdr->put(payload) != OpenRTM::PORT_OK)
        ++bare.failed;
    };
    // Times each call and counts what it allocated on this thread.
    auto timed = [](Totals& t, auto&& call) {
      const std::uint64_t a0 = testsupport::threadAllocations();
      const auto t0 = Clock::now();
      call();
      const auto t1 = Clock::now();
      t.allocs += testsupport::threadAllocations() - a0;
      ++t.calls;
      t.latencyUs.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    };

    for (std::size_t i = 0; i < kWarmCalls; ++i)
    {
      writeOnce();
      putOnce();
    }
    ours.latencyUs.reserve(samples + kBlock);
    bare.latencyUs.reserve(samples + kBlock);
    while (ours.calls < samples)
    {
      for (std::size_t i = 0; i < kBlock; ++i)
        timed(ours, writeOnce);
      for (std::size_t i = 0; i < kBlock; ++i)
        timed(bare, putOnce);
    }

    // Sustained: whole slices of back-to-back calls, checking the clock every 64 calls.
    auto push = [&](Totals& t, auto&& call) {
      const auto t0 = Clock::now();
      const auto end = t0 + std::chrono::duration<double>(seconds / kSlices);
      auto now = t0;
      while (now < end)
      {
        for (int i = 0; i < 64; ++i)
          call();
        t.pushed += 64;
        now = Clock::now();
      }
      t.pushSeconds += std::chrono::duration<double>(now - t0).count();
    };
    for (int s = 0; s < kSlices; ++s)
    {
      if (s % 2 == 0)
        push(ours, writeOnce);
      else
        push(bare, putOnce);
    }
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "port_writer: " << e._name() << "\n";
    manager->shutdown();
    return 1;
  }

  std::sort(ours.latencyUs.begin(), ours.latencyUs.end());
  std::sort(bare.latencyUs.begin(), bare.latencyUs.end());
  std::cout << "write_p50_us=" << bench::percentile(ours.latencyUs, 50)
            << " put_p50_us=" << bench::percentile(bare.latencyUs, 50)
            << " write_p99_us=" << bench::percentile(ours.latencyUs, 99)
            << " put_p99_us=" << bench::percentile(bare.latencyUs, 99)
            << " allocs_per_write=" << double(ours.allocs) / double(ours.calls)
            << " allocs_per_put=" << double(bare.allocs) / double(bare.calls)
            << " push_per_s=" << double(ours.pushed) / ours.pushSeconds
            << " put_per_s=" << double(bare.pushed) / bare.pushSeconds << " writes_sent=" << seq
            << " writes_failed=" << ours.failed << " puts_failed=" << bare.failed << std::endl;
  if (dump != "-")
  {
    std::ofstream out(dump);
    const std::size_t n = std::min(ours.latencyUs.size(), bare.latencyUs.size());
    for (std::size_t i = 0; i < n; ++i)
      out << double(i) / double(n) << ' ' << ours.latencyUs[i] << ' ' << bare.latencyUs[i] << '\n';
  }
  manager->shutdown();
  return 0;
}
