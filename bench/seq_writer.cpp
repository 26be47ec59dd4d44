// The sending end of the sequence figures: OutPort<TimedDoubleSeq>::write() with a "flush"
// connection to seq_reader's InPort, against a bare omniORB put of the same sequence to
// bare_server (marshalled into CdrData at each call, as a bare caller must). Blocks of the two
// alternate so drifts in machine speed hit both alike. One line of key=value figures per length:
//   seq_writer NSPORT CALLS LENGTH... [-- MANAGER OPTIONS...]
#include "BenchManager.h"
#include "BenchNaming.h"
#include "BenchPorts.h"
#include "TickAnalysis.h"
#include "testsupport/PushConnection.h"

#include <rtm/idl/BasicDataTypeSkel.h>
#include <rtm/DataFlowComponentBase.h>
#include <rtm/Manager.h>
#include <rtm/OutPort.h>
#include <rtm/idl/DataPort.hh>

#include <chrono>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace
{
  using Clock = std::chrono::steady_clock;
  constexpr std::size_t kBlock = 20;  // calls of one kind before switching to the other

  class SeqWriter : public RTC::DataFlowComponentBase
  {
  public:
    explicit SeqWriter(RTC::Manager* manager) : RTC::DataFlowComponentBase(manager), out("out", sample) {}

    RTC::ReturnCode_t onInitialize() override
    {
      addOutPort("out", out);
      return RTC::RTC_OK;
    }

    RTC::TimedDoubleSeq sample;
    RTC::OutPort<RTC::TimedDoubleSeq> out;
  };

  SeqWriter* g_writer = nullptr;

  // clang-format off
  const char* const kSpec[] = {
    "implementation_id", "SeqWriter", "type_name", "SeqWriter", "description", "Benchmark sequence writer",
    "version", "1.0.0", "vendor", "bench", "category", "bench", "activity_type", "PERIODIC",
    "kind", "DataFlowComponent", "max_instance", "1", "language", "C++", "lang_type", "compile", ""};
  // clang-format on

  RTC::RTObject_impl* create(RTC::Manager* manager) { return new SeqWriter(manager); }
  void destroy(RTC::RTObject_impl* rtc) { delete rtc; }

  void moduleInit(RTC::Manager* manager)
  {
    coil::Properties profile(kSpec, 2147483647);
    manager->registerFactory(profile, create, destroy);
    g_writer = dynamic_cast<SeqWriter*>(manager->createComponent("SeqWriter"));
  }

  template <class Call>
  double timed(Call&& call)
  {
    const auto t0 = Clock::now();
    call();
    return std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
  }
}

int main(int argc, char** argv)
{
  int dashes = argc;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--") == 0)
    {
      dashes = i;
      break;
    }
  if (dashes < 4)
  {
    std::cerr << "usage: seq_writer NSPORT CALLS LENGTH... [-- MANAGER OPTIONS...]\n";
    return 2;
  }
  const int nsPort = static_cast<int>(bench::argNumber(argv[1], "NSPORT"));
  const std::size_t calls = std::size_t(bench::argNumber(argv[2], "CALLS"));
  std::vector<CORBA::ULong> lengths;
  for (int i = 3; i < dashes; ++i)
    lengths.push_back(static_cast<CORBA::ULong>(bench::argNumber(argv[i], "LENGTH")));

  RTC::Manager* manager = bench::startManager(argc, argv, dashes + 1, moduleInit);
  if (g_writer == nullptr)
  {
    std::cerr << "seq_writer: the component was not created\n";
    manager->shutdown();
    return 1;
  }
  int status = 0;
  try
  {
    CosNaming::NamingContextExt_var root = bench::namingRoot(manager->getORB(), nsPort);
    CORBA::Object_var readerObj = bench::waitFor(root, bench::componentPath("SeqReader0"), 20.0);
    CORBA::Object_var bareObj = bench::waitFor(root, bench::componentPath("SeqBare0"), 20.0);
    RTC::RTObject_var reader = RTC::RTObject::_narrow(readerObj);
    RTC::PortService_var inPort = CORBA::is_nil(reader) ? RTC::PortService::_nil() : bench::findPort(reader, "in");
    OpenRTM::InPortCdr_var bareCdr = OpenRTM::InPortCdr::_narrow(bareObj);
    if (CORBA::is_nil(inPort) || CORBA::is_nil(bareCdr))
    {
      std::cerr << "seq_writer: SeqReader0's port \"in\" or SeqBare0 not found\n";
      manager->shutdown();
      return 1;
    }
    RTC::ConnectorProfile cp = testsupport::pushProfile("bench", g_writer->out.getPortRef(), inPort);
    for (CORBA::ULong i = 0; i < cp.properties.length(); ++i)
      if (std::strcmp(cp.properties[i].name.in(), "dataport.data_type") == 0)
        cp.properties[i].value <<= "IDL:RTC/TimedDoubleSeq:1.0";
    testsupport::addProperty(cp.properties, "dataport.buffer.length", "1");
    const RTC::ReturnCode_t rc = g_writer->out.getPortRef()->connect(cp);
    if (rc != RTC::RTC_OK)
    {
      std::cerr << "seq_writer: connect refused (code " << rc << ")\n";
      manager->shutdown();
      return 1;
    }

    RTC::TimedDoubleSeq& sample = g_writer->sample;
    cdrMemoryStream stream;
    OpenRTM::CdrData payload;
    for (CORBA::ULong length : lengths)
    {
      sample.data.length(length);
      for (CORBA::ULong i = 0; i < length; ++i)
        sample.data[i] = 0.5 * i;
      std::size_t failed = 0;
      auto writeOnce = [&] {
        ++sample.tm.nsec;
        if (!g_writer->out.write())
          ++failed;
      };
      // What a bare caller does to send the same sample: marshal it, lend the octets, put.
      auto putOnce = [&] {
        ++sample.tm.nsec;
        stream.rewindPtrs();
        sample >>= stream;
        const CORBA::ULong n = stream.bufSize();
        payload.replace(n, n, static_cast<CORBA::Octet*>(stream.bufPtr()), false);
        if (bareCdr->put(payload) != OpenRTM::PORT_OK)
          ++failed;
      };
      for (std::size_t i = 0; i < kBlock; ++i)
      {
        writeOnce();
        putOnce();
      }
      std::vector<double> ours, bare;
      while (ours.size() < calls)
      {
        for (std::size_t i = 0; i < kBlock; ++i)
          ours.push_back(timed(writeOnce));
        for (std::size_t i = 0; i < kBlock; ++i)
          bare.push_back(timed(putOnce));
      }
      std::cout << "length=" << length << " write_p50_us=" << bench::percentile(ours, 50)
                << " put_p50_us=" << bench::percentile(bare, 50) << " write_p90_us=" << bench::percentile(ours, 90)
                << " put_p90_us=" << bench::percentile(bare, 90) << " failed=" << failed << std::endl;
      if (failed != 0)
        status = 1;
    }
    payload.replace(0, 0, nullptr, false);
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "seq_writer: " << e._name() << "\n";
    status = 1;
  }
  manager->shutdown();
  return status;
}
