// The peer of TrimulComp for the system-level figures: a sample's trip from "x1" through the
// component's periodic step to "y1".."y3", samples lost under a steady input, and the component
// host's CPU per processed sample, each beside a bare omniORB call of the same 12 octets.
//
// This process writes x1 through our OutPort<TimedLong> (push, flush, so write() returns once the
// component's input has stored the sample) and receives y1..y3 on bare InPortCdr servants that
// timestamp each put in the upcall. Each sample's data is a sequence number, to match arrivals.
//   - latency: one sample at a time, written at a random phase of the period (after the previous
//     sample's y3 arrived, sleep a uniform fraction of a period), each followed by one timed bare
//     put to Bare0 (bare_server): the baseline, interleaved one for one;
//   - loss: a steady input at PCT % of the execution rate for LOSS_SECONDS per PCT, on absolute
//     deadlines; lost = sent - received on y1. TrimulComp's CPU is read from /proc over each step;
//   - CPU baseline: the same paced stream of bare puts to Bare0, and TrimulComp active but idle.
// Prints one line of key=value figures; DUMPFILE gets "quantile y3_us y1_us put_us" lines (CDF).
//   chain_peer NSPORT RATE TRIMUL_PID BARE_PID LAT_SECONDS PCTS|- LOSS_SECONDS DUMPFILE|-
//              [-- MANAGER OPTIONS...]
// PCTS is a comma list such as 90,95,99; LAT_SECONDS 0 skips the latency part.
#include "ArrivalServant.h"
#include "BenchManager.h"
#include "BenchNaming.h"
#include "BenchPorts.h"
#include "testsupport/TimedLongPeer.h"
#include "PeriodicLoop.h"
#include "ProcessCpu.h"
#include "TickAnalysis.h"

#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>
#include <rtm/OutPort.h>
#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/idl/DataPort.hh>

#include <sys/prctl.h>
#include <unistd.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
  constexpr std::size_t kCapacity = 1 << 21;  // sequence numbers with an arrival time kept
  constexpr int kWarmSamples = 200;  // latency samples left out (first connections)
  constexpr int kWaitMs = 200;  // a sample not through by then counts as lost

  testsupport::TimedLongPeer* g_peer = nullptr;

  void moduleInit(RTC::Manager* manager) { g_peer = testsupport::TimedLongPeer::create(manager, "ChainPeer"); }

  std::vector<int> parsePercents(const std::string& text)
  {
    std::vector<int> pcts;
    if (text == "-")
      return pcts;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
      pcts.push_back(std::atoi(item.c_str()));
    return pcts;
  }

  struct Setup
  {
    CORBA::ORB_ptr orb;
    OpenRTM::InPortCdr_ptr bare;
    bench::ArrivalServant* y[3];
    pid_t trimulPid;
    pid_t barePid;
    double rate;
  };

  void latency(const Setup& s, CORBA::Long& seq, double seconds, const std::string& dump)
  {
    const double periodNs = 1e9 / s.rate;
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> phase(0.0, 1.0);
    OpenRTM::CdrData payload;

    std::vector<double> y1, y3, put;
    std::uint64_t lost = 0, failed = 0;
    const std::int64_t end = bench::monotonicNs() + std::int64_t(seconds * 1e9);
    for (int i = 0; bench::monotonicNs() < end && std::size_t(seq) < kCapacity; ++i)
    {
      const CORBA::Long mine = seq++;
      const std::uint64_t target = s.y[2]->count() + 1;
      const std::int64_t t0 = bench::monotonicNs();
      if (!g_peer->write(mine))
        ++failed;
      if (!s.y[2]->waitCount(target, kWaitMs) || s.y[2]->arrival(mine) == 0)
      {
        ++lost;
        continue;
      }
      bench::encodeTimedLong(payload, mine);
      const std::int64_t p0 = bench::monotonicNs();
      s.bare->put(payload);
      const std::int64_t p1 = bench::monotonicNs();
      if (i >= kWarmSamples)
      {
        y1.push_back(double(s.y[0]->arrival(mine) - t0) / 1e3);
        y3.push_back(double(s.y[2]->arrival(mine) - t0) / 1e3);
        put.push_back(double(p1 - p0) / 1e3);
      }
      // The next write lands at a uniformly random phase of the period.
      bench::sleepUntilNs(bench::monotonicNs() + std::int64_t(phase(random) * periodNs));
    }
    for (auto* v : {&y1, &y3, &put})
      std::sort(v->begin(), v->end());
    std::cout << "lat_samples=" << y3.size() << " lat_lost=" << lost << " lat_write_failed=" << failed;
    auto print = [](const char* key, const std::vector<double>& v) {
      std::cout << ' ' << key << "_p50_us=" << bench::percentile(v, 50) << ' ' << key
                << "_p99_us=" << bench::percentile(v, 99) << ' ' << key << "_max_us=" << (v.empty() ? 0 : v.back());
    };
    print("y1", y1);
    print("y3", y3);
    print("put", put);
    if (dump != "-")
    {
      std::ofstream out(dump);
      for (std::size_t i = 0; i < y3.size(); ++i)
        out << double(i) / double(y3.size()) << ' ' << y3[i] << ' ' << y1[i] << ' ' << put[i] << '\n';
    }
  }

  // Steady input at `hz` for `seconds` on absolute deadlines (no drift). Returns samples sent;
  // lateMaxUs gets the writer's worst lateness against its deadline.
  template <typename Call>
  std::uint64_t paced(double hz, double seconds, double& lateMaxUs, Call&& call)
  {
    const double intervalNs = 1e9 / hz;
    const std::uint64_t n = std::uint64_t(hz * seconds);
    const std::int64_t start = bench::monotonicNs() + 1000000;
    std::int64_t lateMax = 0;
    for (std::uint64_t k = 0; k < n; ++k)
    {
      const std::int64_t deadline = start + std::int64_t(double(k) * intervalNs);
      bench::sleepUntilNs(deadline);
      lateMax = std::max(lateMax, bench::monotonicNs() - deadline);
      call();
    }
    lateMaxUs = double(lateMax) / 1e3;
    return n;
  }

  // Waits until y1 has all `expected` samples, or stops gaining for 100 ms.
  void drain(bench::ArrivalServant& y1, std::uint64_t expected)
  {
    std::uint64_t last = y1.count();
    while (last < expected)
    {
      y1.waitCount(expected, 100);
      const std::uint64_t now = y1.count();
      if (now == last)
        return;
      last = now;
    }
  }

  // Per-thread CPU of TrimulComp over a window, per processed sample: tells the context's thread
  // from the ORB's threads that serve x1.
  std::string threadShares(const std::map<pid_t, bench::ThreadCpu>& before,
                           const std::map<pid_t, bench::ThreadCpu>& after, std::uint64_t samples)
  {
    std::vector<std::pair<double, std::string>> shares;
    for (const auto& t : after)
    {
      const auto b = before.find(t.first);
      const std::uint64_t ns = t.second.ns - (b == before.end() ? 0 : b->second.ns);
      if (ns > 0 && samples > 0)
        shares.push_back({double(ns) / 1e3 / double(samples), t.second.name});
    }
    std::sort(shares.rbegin(), shares.rend());
    std::ostringstream out;
    out.precision(2);
    out << std::fixed;
    for (std::size_t i = 0; i < shares.size() && i < 4; ++i)
      out << (i ? "," : "") << shares[i].second << ':' << shares[i].first;
    return out.str();
  }

  void loss(const Setup& s, CORBA::Long& seq, const std::vector<int>& pcts, double seconds)
  {
    int losslessMax = 0;
    bool allLossless = true;
    for (std::size_t i = 0; i < pcts.size(); ++i)
    {
      const int pct = pcts[i];
      const std::uint64_t y1Before = s.y[0]->count(), y3Before = s.y[2]->count();
      const auto threadsBefore = bench::threadCpu(s.trimulPid);
      const std::uint64_t selfBefore = bench::processCpuNs(getpid());
      const std::int64_t t0 = bench::monotonicNs();
      double lateMax = 0;
      std::uint64_t failed = 0;
      const std::uint64_t sent = paced(s.rate * pct / 100.0, seconds, lateMax, [&] {
        if (!g_peer->write(seq++))
          ++failed;
      });
      drain(*s.y[0], y1Before + sent);
      const std::int64_t t1 = bench::monotonicNs();
      const auto threadsAfter = bench::threadCpu(s.trimulPid);
      const std::uint64_t selfCpu = bench::processCpuNs(getpid()) - selfBefore;
      const std::uint64_t got = s.y[0]->count() - y1Before, got3 = s.y[2]->count() - y3Before;
      std::uint64_t cpu = 0;
      for (const auto& t : threadsAfter)
      {
        const auto b = threadsBefore.find(t.first);
        cpu += t.second.ns - (b == threadsBefore.end() ? 0 : b->second.ns);
      }
      const std::string p = "loss_" + std::to_string(pct);
      std::cout << ' ' << p << "_sent=" << sent << ' ' << p << "_lost=" << std::int64_t(sent - got) << ' ' << p
                << "_lost_y3=" << std::int64_t(sent - got3) << ' ' << p << "_write_failed=" << failed << ' ' << p
                << "_write_late_max_us=" << lateMax;
      if (sent == got && allLossless)
        losslessMax = pct;
      else
        allLossless = false;
      // CPU at the first (lowest) input rate: TrimulComp's total over the step, per sample.
      if (i == 0 && got > 0)
      {
        std::cout << " cpu_hz=" << s.rate * pct / 100.0 << " cpu_us_per_sample=" << double(cpu) / 1e3 / double(got)
                  << " cpu_stream_pct=" << 100.0 * double(cpu) / double(t1 - t0)
                  << " peer_us_per_sample=" << double(selfCpu) / 1e3 / double(got)
                  << " cpu_threads=" << threadShares(threadsBefore, threadsAfter, got);
        // The same window with the component active and no input: the context's own ticking.
        const std::uint64_t idle0 = bench::processCpuNs(s.trimulPid);
        const std::int64_t i0 = bench::monotonicNs();
        bench::sleepUntilNs(i0 + std::int64_t(seconds * 1e9));
        const double idleNsPerNs = double(bench::processCpuNs(s.trimulPid) - idle0) / double(bench::monotonicNs() - i0);
        std::cout << " cpu_idle_pct=" << 100.0 * idleNsPerNs << " cpu_marginal_us_per_sample="
                  << (double(cpu) - idleNsPerNs * double(t1 - t0)) / 1e3 / double(got);
        // The baseline: the same paced stream of bare puts to the bare server.
        OpenRTM::CdrData payload;
        const std::uint64_t bare0 = bench::processCpuNs(s.barePid);
        double bareLate = 0;
        CORBA::Long bareSeq = 0;
        const std::uint64_t puts = paced(s.rate * pct / 100.0, seconds, bareLate, [&] {
          bench::encodeTimedLong(payload, bareSeq++);
          s.bare->put(payload);
        });
        std::cout << " bare_us_per_put=" << double(bench::processCpuNs(s.barePid) - bare0) / 1e3 / double(puts);
      }
    }
    std::cout << " lossless_max_pct=" << losslessMax;
  }
}

int main(int argc, char** argv)
{
  if (argc < 9 || (argc > 9 && std::strcmp(argv[9], "--") != 0))
  {
    std::cerr << "usage: chain_peer NSPORT RATE TRIMUL_PID BARE_PID LAT_SECONDS PCTS|- LOSS_SECONDS"
                 " DUMPFILE|- [-- MANAGER OPTIONS...]\n";
    return 2;
  }
  const int nsPort = int(bench::argNumber(argv[1], "NSPORT"));
  const double rate = double(bench::argNumber(argv[2], "RATE"));
  const pid_t trimulPid = pid_t(bench::argNumber(argv[3], "TRIMUL_PID"));
  const pid_t barePid = pid_t(bench::argNumber(argv[4], "BARE_PID"));
  const double latSeconds = std::atof(argv[5]);
  const std::vector<int> pcts = parsePercents(argv[6]);
  const double lossSeconds = std::atof(argv[7]);
  const std::string dump = argv[8];
  // Sleeps to sub-period deadlines: the default 50 us timer slack is half a period at 10 kHz.
  prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);

  RTC::Manager* manager = bench::startManager(argc, argv, 10, moduleInit);
  if (g_peer == nullptr)
  {
    std::cerr << "chain_peer: the component was not created\n";
    manager->shutdown();
    return 1;
  }

  int status = 0;
  RTC::ExecutionContext_var ec;
  RTC::RTObject_var trimul;
  try
  {
    CORBA::ORB_ptr orb = manager->getORB();
    CORBA::Object_var rootPoaObj = orb->resolve_initial_references("RootPOA");
    PortableServer::POA_var poa = PortableServer::POA::_narrow(rootPoaObj);
    PortableServer::Servant_var<bench::ArrivalServant> servants[3] = {new bench::ArrivalServant(kCapacity, 2),
                                                                      new bench::ArrivalServant(kCapacity, 10),
                                                                      new bench::ArrivalServant(kCapacity, 100)};
    CosNaming::NamingContextExt_var root = bench::namingRoot(orb, nsPort);
    CORBA::Object_var trimulObj = bench::waitFor(root, bench::componentPath("Trimul0"), 20.0);
    CORBA::Object_var bareObj = bench::waitFor(root, bench::componentPath("Bare0"), 20.0);
    trimul = RTC::RTObject::_narrow(trimulObj);
    OpenRTM::InPortCdr_var bare = OpenRTM::InPortCdr::_narrow(bareObj);
    if (CORBA::is_nil(trimul) || CORBA::is_nil(bare))
      throw std::runtime_error("Trimul0 or Bare0 not found");

    RTC::PortService_var x1 = bench::findPort(trimul, "x1");
    if (CORBA::is_nil(x1) || bench::connectPorts(g_peer->out.getPortRef(), x1) != RTC::RTC_OK)
      throw std::runtime_error("could not connect to Trimul0's x1");
    const char* outputs[] = {"y1", "y2", "y3"};
    for (int i = 0; i < 3; ++i)
    {
      PortableServer::ObjectId_var id = poa->activate_object(servants[i].in());
      CORBA::Object_var ref = poa->id_to_reference(id.in());
      RTC::PortService_var y = bench::findPort(trimul, outputs[i]);
      if (CORBA::is_nil(y) || bench::connectToServant(orb, y, ref) != RTC::RTC_OK)
        throw std::runtime_error(std::string("could not connect Trimul0's ") + outputs[i]);
    }
    RTC::ExecutionContextList_var owned = trimul->get_owned_contexts();
    if (owned->length() == 0)
      throw std::runtime_error("Trimul0 owns no execution context");
    ec = RTC::ExecutionContext::_duplicate(owned[0]);
    if (ec->activate_component(trimul) != RTC::RTC_OK)
      throw std::runtime_error("Trimul0's activation refused");
    // Activation takes effect at the context's next tick.
    bench::sleepUntilNs(bench::monotonicNs() + 200000000);

    const Setup setup{orb, bare.in(), {servants[0].in(), servants[1].in(), servants[2].in()}, trimulPid, barePid, rate};
    CORBA::Long seq = 0;
    std::cout << "rate=" << rate;
    if (latSeconds > 0)
    {
      std::cout << ' ';
      latency(setup, seq, latSeconds, dump);
    }
    if (!pcts.empty())
      loss(setup, seq, pcts, lossSeconds);
    std::cout << std::endl;
    ec->deactivate_component(trimul);
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "chain_peer: " << e._name() << "\n";
    status = 1;
  }
  catch (const std::exception& e)
  {
    std::cerr << "chain_peer: " << e.what() << "\n";
    status = 1;
  }
  manager->shutdown();
  return status;
}
