// What a peer that stops answering costs the writing side, each figure beside the bound it is
// measured against:
//   - two output ports, each with a "flush" connection to port_reader's input and the same call
//     timeout, write once with the reader's process stopped (SIGSTOP): the first write waits out
//     the call timeout; the second finds the process already marked not answering (PeerHealth)
//     and returns without a call of its own;
//   - DeferredCalls::post() while an earlier deferred call is still running (held for a fixed
//     time), beside a post to an idle queue, which starts its thread.
// Prints one line of key=value figures. The reader is continued (SIGCONT) before the program ends.
//   stall_probe NSPORT READER_PID [-- MANAGER OPTIONS...]
#include "BenchManager.h"
#include "BenchNaming.h"
#include "BenchPorts.h"
#include "TickAnalysis.h"
#include "port/DeferredCalls.h"
#include "testsupport/PushConnection.h"
#include "testsupport/TimedLongPeer.h"

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace
{
  using Clock = std::chrono::steady_clock;

  const char* const kCallTimeout = "0.5";  // seconds, each connection's own
  constexpr int kPosts = 20;
  constexpr auto kHeldCall = std::chrono::milliseconds(100);

  testsupport::TimedLongPeer* g_first = nullptr;
  testsupport::TimedLongPeer* g_second = nullptr;

  void moduleInit(RTC::Manager* manager)
  {
    g_first = testsupport::TimedLongPeer::create(manager, "StallWriterA");
    g_second = testsupport::TimedLongPeer::create(manager, "StallWriterB");
  }

  double msSince(Clock::time_point start)
  {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  }

  bool stopped(pid_t pid)
  {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t end = line.rfind(')');
    return end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'T';
  }

  // Posts behind a call held for kHeldCall, and to an idle queue; microseconds, one each a round.
  void timePosts(std::vector<double>& busyUs, std::vector<double>& idleUs)
  {
    for (int i = 0; i < kPosts; ++i)
    {
      rtm::DeferredCalls calls;
      auto start = Clock::now();
      calls.post([] { std::this_thread::sleep_for(kHeldCall); });
      idleUs.push_back(msSince(start) * 1000.0);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));  // the held call has begun
      start = Clock::now();
      calls.post([] {});
      busyUs.push_back(msSince(start) * 1000.0);
    }
  }
}

int main(int argc, char** argv)
{
  if (argc < 3 || (argc > 3 && std::strcmp(argv[3], "--") != 0))
  {
    std::cerr << "usage: stall_probe NSPORT READER_PID [-- MANAGER OPTIONS...]\n";
    return 2;
  }
  const int nsPort = static_cast<int>(bench::argNumber(argv[1], "NSPORT"));
  const pid_t reader = static_cast<pid_t>(bench::argNumber(argv[2], "READER_PID"));

  RTC::Manager* manager = bench::startManager(argc, argv, 4, moduleInit);
  if (g_first == nullptr || g_second == nullptr)
  {
    std::cerr << "stall_probe: the components were not created\n";
    manager->shutdown();
    return 1;
  }
  double firstMs = 0;
  double secondMs = 0;
  bool firstWrote = true;
  bool secondWrote = true;
  try
  {
    CosNaming::NamingContextExt_var root = bench::namingRoot(manager->getORB(), nsPort);
    CORBA::Object_var readerObj = bench::waitFor(root, bench::componentPath("Reader0"), 20.0);
    RTC::RTObject_var readerRtc = RTC::RTObject::_narrow(readerObj);
    RTC::PortService_var in = CORBA::is_nil(readerRtc) ? RTC::PortService::_nil() : bench::findPort(readerRtc, "in");
    if (CORBA::is_nil(in))
    {
      std::cerr << "stall_probe: Reader0's port \"in\" not found\n";
      manager->shutdown();
      return 1;
    }
    for (testsupport::TimedLongPeer* writer : {g_first, g_second})
    {
      RTC::ConnectorProfile cp = testsupport::pushProfile("stall", writer->out.getPortRef(), in);
      testsupport::addProperty(cp.properties, "dataport.corba_cdr.call_timeout", kCallTimeout);
      if (writer->out.getPortRef()->connect(cp) != RTC::RTC_OK || !writer->write(0))
      {
        std::cerr << "stall_probe: could not connect to Reader0 and write\n";
        manager->shutdown();
        return 1;
      }
    }

    ::kill(reader, SIGSTOP);
    const auto waitUntil = Clock::now() + std::chrono::seconds(5);
    while (!stopped(reader) && Clock::now() < waitUntil)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    auto start = Clock::now();
    firstWrote = g_first->write(1);
    firstMs = msSince(start);
    start = Clock::now();
    secondWrote = g_second->write(1);
    secondMs = msSince(start);
    ::kill(reader, SIGCONT);
  }
  catch (const CORBA::Exception& e)
  {
    ::kill(reader, SIGCONT);
    std::cerr << "stall_probe: " << e._name() << "\n";
    manager->shutdown();
    return 1;
  }

  std::vector<double> busyUs, idleUs;
  timePosts(busyUs, idleUs);
  const double heldUs = std::chrono::duration<double, std::micro>(kHeldCall).count();
  std::cout << "call_timeout_ms=" << std::stod(kCallTimeout) * 1000.0 << " first_write_ms=" << firstMs
            << " second_write_ms=" << secondMs << " writes_failed=" << (!firstWrote) + (!secondWrote)
            << " post_busy_p50_us=" << bench::percentile(busyUs, 50)
            << " post_busy_max_us=" << bench::percentile(busyUs, 100)
            << " post_idle_p50_us=" << bench::percentile(idleUs, 50) << " held_call_us=" << heldUs << std::endl;
  manager->shutdown();
  return 0;
}
