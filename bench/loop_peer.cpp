// The peer of a component in a control loop, as users run one: its own periodic thread at RATE
// (PeriodicLoop: scheduled as an execution context is) writes x1 through our OutPort<TimedLong>
// (push, flush) once a period, and the answer on y1 (push, flush) comes back into this process's
// input, a bare InPortCdr servant that timestamps it in the upcall (ArrivalServant). The same peer
// runs against TrimulComp ("component": Trimul0, whose x1 and y1 it connects and which it
// activates) and against bare_loop ("bare": LoopBare0, which answers the input bound here as
// LoopPeer0), so the two figures differ only in what sits across the loop.
// Prints put_p50_us= put_p99_us= (the writer's write()), rtt_p50_us= rtt_p99_us= (x1 written to
// its y1 received), rate_hz= (writes a second), writes= lost= failed= realtime=. A few samples sent
// one at a time before the window open both connections: a first call's set-up would otherwise
// leave a backlog in the input's buffer that a loop at one rate never drains.
//   loop_peer NSPORT RATE SECONDS component|bare [-- MANAGER OPTIONS...]
#include "ArrivalServant.h"
#include "BenchManager.h"
#include "BenchNaming.h"
#include "BenchPorts.h"
#include "PeriodicLoop.h"
#include "TickAnalysis.h"
#include "testsupport/TimedLongPeer.h"

#include <rtm/Manager.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{
  constexpr int kWarmSamples = 20;
  constexpr int kDrainMs = 200;  // an answer not back by then counts as lost

  testsupport::TimedLongPeer* g_peer = nullptr;

  void moduleInit(RTC::Manager* manager) { g_peer = testsupport::TimedLongPeer::create(manager, "LoopPeer"); }

  struct Figures
  {
    std::vector<double> putUs;
    std::vector<double> rttUs;
    std::uint64_t lost = 0;
    std::uint64_t failed = 0;
    double rateHz = 0;
    bool realtime = false;
  };

  // One write a period for `seconds`; then the answers that came back, matched by sequence number.
  Figures runLoop(bench::ArrivalServant& answers, double rate, double seconds, std::size_t capacity)
  {
    CORBA::Long seq = 0;
    for (; seq < kWarmSamples; ++seq)
      if (!g_peer->write(seq) || !answers.waitCount(std::uint64_t(seq) + 1, kDrainMs))
        throw std::runtime_error("no answer to the samples sent one at a time");
    Figures f;
    bench::PeriodicLoop loop(rate);
    f.realtime = loop.realtime();
    std::vector<std::int64_t> sentNs(capacity);
    f.putUs.reserve(capacity);
    const std::int64_t start = bench::monotonicNs();
    const std::int64_t end = start + std::int64_t(seconds * 1e9);
    while (std::size_t(seq) < capacity && loop.next(end))
    {
      const std::int64_t t0 = bench::monotonicNs();
      if (!g_peer->write(seq))
        ++f.failed;
      const std::int64_t t1 = bench::monotonicNs();
      sentNs[std::size_t(seq)] = t0;
      f.putUs.push_back(double(t1 - t0) / 1e3);
      ++seq;
    }
    answers.waitCount(std::uint64_t(seq), kDrainMs);
    for (CORBA::Long s = kWarmSamples; s < seq; ++s)
    {
      const std::int64_t at = answers.arrival(s);
      if (at == 0)
        ++f.lost;
      else
        f.rttUs.push_back(double(at - sentNs[std::size_t(s)]) / 1e3);
    }
    f.rateHz = double(f.putUs.size()) / (double(end - start) / 1e9);
    return f;
  }
}

int main(int argc, char** argv)
{
  const bool component = argc >= 5 && std::strcmp(argv[4], "component") == 0;
  if (argc < 5 || (!component && std::strcmp(argv[4], "bare") != 0) || (argc > 5 && std::strcmp(argv[5], "--") != 0))
  {
    std::cerr << "usage: loop_peer NSPORT RATE SECONDS component|bare [-- MANAGER OPTIONS...]\n";
    return 2;
  }
  const int nsPort = int(bench::argNumber(argv[1], "NSPORT"));
  const double rate = double(bench::argNumber(argv[2], "RATE"));
  const double seconds = double(bench::argNumber(argv[3], "SECONDS"));
  const std::size_t capacity = std::size_t(rate * seconds) + kWarmSamples + 16;

  RTC::Manager* manager = bench::startManager(argc, argv, 6, moduleInit);
  if (g_peer == nullptr)
  {
    std::cerr << "loop_peer: the writing component was not created\n";
    manager->shutdown();
    return 1;
  }
  int status = 0;
  const std::string peerPath = bench::componentPath("LoopPeer0");
  CosNaming::NamingContextExt_var root;
  RTC::ExecutionContext_var ec;
  RTC::RTObject_var trimul;
  try
  {
    CORBA::ORB_ptr orb = manager->getORB();
    CORBA::Object_var rootPoaObj = orb->resolve_initial_references("RootPOA");
    PortableServer::POA_var poa = PortableServer::POA::_narrow(rootPoaObj);
    PortableServer::Servant_var<bench::ArrivalServant> answers = new bench::ArrivalServant(capacity, 2);
    PortableServer::ObjectId_var id = poa->activate_object(answers.in());
    CORBA::Object_var answersRef = poa->id_to_reference(id.in());
    root = bench::namingRoot(orb, nsPort);
    if (component)
    {
      CORBA::Object_var obj = bench::waitFor(root, bench::componentPath("Trimul0"), 20.0);
      trimul = RTC::RTObject::_narrow(obj);
      if (CORBA::is_nil(trimul))
        throw std::runtime_error("Trimul0 not found");
      RTC::PortService_var x1 = bench::findPort(trimul, "x1");
      RTC::PortService_var y1 = bench::findPort(trimul, "y1");
      if (CORBA::is_nil(x1) || CORBA::is_nil(y1) || bench::connectPorts(g_peer->out.getPortRef(), x1) != RTC::RTC_OK ||
          bench::connectToServant(orb, y1, answersRef) != RTC::RTC_OK)
        throw std::runtime_error("could not connect Trimul0's x1 and y1");
      RTC::ExecutionContextList_var owned = trimul->get_owned_contexts();
      if (owned->length() == 0)
        throw std::runtime_error("Trimul0 owns no execution context");
      ec = RTC::ExecutionContext::_duplicate(owned[0]);
      if (ec->activate_component(trimul) != RTC::RTC_OK)
        throw std::runtime_error("Trimul0's activation refused");
      // Activation takes effect at the context's next tick.
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    else
    {
      bench::bindInContext(root, peerPath, answersRef);
      CORBA::Object_var bare = bench::waitFor(root, bench::componentPath("LoopBare0"), 20.0);
      if (CORBA::is_nil(bare) || bench::connectToServant(orb, g_peer->out.getPortRef(), bare) != RTC::RTC_OK)
        throw std::runtime_error("could not connect to LoopBare0");
    }

    const Figures f = runLoop(*answers, rate, seconds, capacity);
    std::cout << "put_p50_us=" << bench::percentile(f.putUs, 50) << " put_p99_us=" << bench::percentile(f.putUs, 99)
              << " rtt_p50_us=" << bench::percentile(f.rttUs, 50) << " rtt_p99_us=" << bench::percentile(f.rttUs, 99)
              << " rate_hz=" << f.rateHz << " writes=" << f.putUs.size() << " lost=" << f.lost << " failed=" << f.failed
              << " realtime=" << f.realtime << std::endl;
    if (component)
      ec->deactivate_component(trimul);
    else
      bench::unbindIfBound(root, peerPath);
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "loop_peer: " << e._name() << "\n";
    status = 1;
  }
  catch (const std::exception& e)
  {
    std::cerr << "loop_peer: " << e.what() << "\n";
    status = 1;
  }
  manager->shutdown();
  return status;
}
