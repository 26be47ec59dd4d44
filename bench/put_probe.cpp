// What one put from a peer into a component's input port costs while the component's execution
// context runs, beside the same put into a bare omniORB servant (Bare0, bare_server) in the same
// run: the two calls alternate, one for one, each after a random pause (so at a random phase of
// the period), so both sides see the same machine.
//
// The probe is a plain omniORB client, as a peer built on any middleware is on the wire: it asks
// the port for a connection naming only the port itself (the port's handshake hands back its
// InPortCdr reference), puts 12-octet TimedLong samples straight into that reference and
// disconnects at the end.
//
// With BASELINE, the baseline is the same port of that component instead of Bare0: two hosts
// alike but for one setting (TLS against plain TCP). BENCH_SSL_CA_FILE and BENCH_SSL_KEY_FILE
// give the probe a certificate, so that it reaches a host that takes TLS only.
//   put_probe NSPORT INSTANCE PORT COUNT SECONDS [BASELINE]
// Prints: put_p50_us= put_p90_us= bare_p50_us= bare_p90_us= puts= failed=
#include "BenchNaming.h"
#include "BenchPorts.h"
#include "testsupport/PushConnection.h"
#include "PeriodicLoop.h"
#include "TickAnalysis.h"

#include <rtm/detail/OrbTls.h>
#include <rtm/idl/DataPort.hh>
#include <rtm/idl/RTC.hh>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace
{
  constexpr int kWarmPuts = 200;  // the first calls open connections: left out

  // The object bound at `path` once it answers: a process that just ended may leave its name
  // behind for a moment, bound to an object that is gone (and a new process may listen on the
  // port the old one had, so the stale reference answers OBJECT_NOT_EXIST). Nil after 20 s.
  CORBA::Object_ptr liveObject(CosNaming::NamingContextExt_ptr root, const std::string& path)
  {
    const std::int64_t deadline = bench::monotonicNs() + 20 * std::int64_t(1000000000);
    while (bench::monotonicNs() < deadline)
    {
      try
      {
        CORBA::Object_var obj = bench::tryResolve(root, path);
        if (!CORBA::is_nil(obj) && !obj->_non_existent())
          return obj._retn();
      }
      catch (const CORBA::Exception&)
      {
        // Not there yet, or still the old one.
      }
      bench::sleepUntilNs(bench::monotonicNs() + 50 * 1000 * 1000);
    }
    return CORBA::Object::_nil();
  }

  // Connects to the input `port` as a peer does and returns its InPortCdr reference.
  OpenRTM::InPortCdr_ptr connectInput(CORBA::ORB_ptr orb, RTC::PortService_ptr port, RTC::ConnectorProfile& cp)
  {
    cp = testsupport::pushProfile("put_probe", RTC::PortService::_nil(), port);
    if (port->connect(cp) != RTC::RTC_OK)
      throw std::runtime_error("the port refused the connection");
    const char* ior = nullptr;
    for (CORBA::ULong i = 0; i < cp.properties.length(); ++i)
      if (std::string(cp.properties[i].name.in()) == "dataport.corba_cdr.inport_ior")
        cp.properties[i].value >>= ior;
    if (ior == nullptr)
      throw std::runtime_error("the port handed back no InPortCdr reference");
    CORBA::Object_var inObj = orb->string_to_object(ior);
    return OpenRTM::InPortCdr::_narrow(inObj);
  }

}

int main(int argc, char** argv)
{
  if (argc != 6 && argc != 7)
  {
    std::cerr << "usage: put_probe NSPORT INSTANCE PORT COUNT SECONDS [BASELINE]\n";
    return 2;
  }
  const std::string baselineName = argc == 7 ? argv[6] : "";
  const int nsPort = int(bench::argNumber(argv[1], "NSPORT"));
  const std::string instance = argv[2];
  const std::string portName = argv[3];
  const long count = bench::argNumber(argv[4], "COUNT");
  const long seconds = bench::argNumber(argv[5], "SECONDS");
  // What was being done, for the one line a failure prints.
  const char* step = "finding the component and the bare server";
  try
  {
    const char* ca = std::getenv("BENCH_SSL_CA_FILE");
    const char* key = std::getenv("BENCH_SSL_KEY_FILE");
    if (ca != nullptr && key != nullptr)
    {
      rtm::OrbTls::Settings settings;
      settings.authorityFile = ca;
      settings.keyFile = key;
      const rtm::OrbTls tls(settings);
      if (!tls.problem().empty())
        throw std::runtime_error(tls.problem());
      tls.install();
    }
    CORBA::ORB_var orb = bench::initLoopbackOrb(argv[0]);
    CosNaming::NamingContextExt_var root = bench::namingRoot(orb, nsPort);
    CORBA::Object_var rtcObj = liveObject(root, bench::componentPath(instance));
    RTC::RTObject_var rtc = RTC::RTObject::_narrow(rtcObj);
    CORBA::Object_var bareObj = liveObject(root, bench::componentPath(baselineName.empty() ? "Bare0" : baselineName));
    OpenRTM::InPortCdr_var bare;
    RTC::RTObject_var baselineRtc;
    if (baselineName.empty())
      bare = OpenRTM::InPortCdr::_narrow(bareObj);
    else
      baselineRtc = RTC::RTObject::_narrow(bareObj);
    if (CORBA::is_nil(rtc) || (CORBA::is_nil(bare) && CORBA::is_nil(baselineRtc)))
      throw std::runtime_error(instance + " or " + (baselineName.empty() ? "Bare0" : baselineName) + " not found");
    step = "finding the port";
    RTC::PortService_var port = bench::findPort(rtc, portName);
    if (CORBA::is_nil(port))
      throw std::runtime_error("no port " + portName + " on " + instance);

    RTC::ConnectorProfile cp;
    step = "connecting";
    OpenRTM::InPortCdr_var in = connectInput(orb, port, cp);
    RTC::ConnectorProfile baselineCp;
    RTC::PortService_var baselinePort;
    if (!baselineName.empty())
    {
      step = "connecting to the baseline";
      baselinePort = bench::findPort(baselineRtc, portName);
      if (CORBA::is_nil(baselinePort))
        throw std::runtime_error("no port " + portName + " on " + baselineName);
      bare = connectInput(orb, baselinePort, baselineCp);
    }

    // Calls spread over the window at random gaps, so they fall on every phase of the period.
    const std::int64_t meanGapNs = seconds * 1000000000 / (2 * (count + kWarmPuts));
    std::mt19937 random(12345);
    std::uniform_int_distribution<std::int64_t> gap(0, 2 * meanGapNs);
    std::vector<double> ours, baseline;
    step = "putting";
    long failed = 0;
    for (long i = 0; i < count + kWarmPuts; ++i)
    {
      OpenRTM::CdrData data;
      bench::encodeTimedLong(data, CORBA::Long(i));
      // Each call after a pause of its own, the two in turns first: a call made right after
      // another finds the core awake and costs less than one that has to wake it.
      double ourUs = 0;
      double bareUs = 0;
      for (int turn = 0; turn < 2; ++turn)
      {
        bench::sleepUntilNs(bench::monotonicNs() + gap(random));
        const bool oursNow = (turn == 0) == (i % 2 == 0);
        const std::int64_t t0 = bench::monotonicNs();
        if (oursNow)
        {
          const OpenRTM::PortStatus status = in->put(data);
          if (status != OpenRTM::PORT_OK && status != OpenRTM::BUFFER_FULL)
            ++failed;
        }
        else
          bare->put(data);
        (oursNow ? ourUs : bareUs) = double(bench::monotonicNs() - t0) / 1e3;
      }
      if (i >= kWarmPuts)
      {
        ours.push_back(ourUs);
        baseline.push_back(bareUs);
      }
    }
    step = "disconnecting";
    port->disconnect(cp.connector_id.in());
    if (!baselineName.empty())
      baselinePort->disconnect(baselineCp.connector_id.in());
    std::cout << "put_p50_us=" << bench::percentile(ours, 50) << " put_p90_us=" << bench::percentile(ours, 90)
              << " bare_p50_us=" << bench::percentile(baseline, 50)
              << " bare_p90_us=" << bench::percentile(baseline, 90) << " puts=" << ours.size() << " failed=" << failed
              << std::endl;
    orb->destroy();
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "put_probe: " << e._name() << " while " << step << '\n';
    return 1;
  }
  catch (const std::exception& e)
  {
    std::cerr << "put_probe: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
