// The floor for the loop figure: a bare omniORB server doing what Trimul does in a loop, with
// nothing of the runtime. Its input (an OpenRTM::InPortCdr bound as LoopBare0) keeps up to 8
// samples, as an input port's default buffer does; its own periodic thread at RATE, scheduled as
// the runtime's execution context is (PeriodicLoop), takes the oldest sample each tick and puts its
// value times 2 to the input bound as LoopPeer0 (loop_peer's), found at the first sample. Serves
// until SIGINT or SIGTERM.
//   bare_loop NSPORT RATE
#include "BenchNaming.h"
#include "BenchPorts.h"
#include "PeriodicLoop.h"

#include <rtm/idl/DataPort.hh>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <iostream>
#include <limits>
#include <mutex>
#include <thread>

namespace
{
  constexpr unsigned kBufferLength = 8;

  class BareLoopInput : public POA_OpenRTM::InPortCdr
  {
  public:
    OpenRTM::PortStatus put(const OpenRTM::CdrData& data) override
    {
      if (data.length() != 12)
        return OpenRTM::PORT_ERROR;
      std::uint32_t v = 0;
      for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(data[8 + i]) << (8 * i);
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_count == kBufferLength)
        return OpenRTM::BUFFER_FULL;
      m_values[(m_first + m_count++) % kBufferLength] = CORBA::Long(v);
      return OpenRTM::PORT_OK;
    }

    // The oldest sample, if there is one.
    bool take(CORBA::Long& value)
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_count == 0)
        return false;
      value = m_values[m_first];
      m_first = (m_first + 1) % kBufferLength;
      --m_count;
      return true;
    }

  private:
    std::mutex m_mutex;
    CORBA::Long m_values[kBufferLength] = {};
    unsigned m_first = 0;
    unsigned m_count = 0;
  };

  void answer(CosNaming::NamingContextExt_ptr root, BareLoopInput& input, double rate, const std::atomic<bool>& stop)
  {
    bench::PeriodicLoop loop(rate);
    OpenRTM::InPortCdr_var reply;
    OpenRTM::CdrData data;
    bench::encodeTimedLong(data, 0);
    CORBA::Long value = 0;
    while (!stop.load() && loop.next(std::numeric_limits<std::int64_t>::max()))
    {
      if (!input.take(value))
        continue;
      try
      {
        if (CORBA::is_nil(reply))
        {
          CORBA::Object_var obj = bench::tryResolve(root, bench::componentPath("LoopPeer0"));
          reply = OpenRTM::InPortCdr::_narrow(obj);
          if (CORBA::is_nil(reply))
            continue;
        }
        bench::encodeTimedLong(data, CORBA::Long(std::uint32_t(value) * 2));
        reply->put(data);
      }
      catch (const CORBA::Exception&)
      {
        // The peer has gone (or is not up yet): find it again at the next sample.
        reply = OpenRTM::InPortCdr::_nil();
      }
    }
  }
}

int main(int argc, char** argv)
{
  if (argc != 3)
  {
    std::cerr << "usage: bare_loop NSPORT RATE\n";
    return 2;
  }
  const int nsPort = int(bench::argNumber(argv[1], "NSPORT"));
  const double rate = double(bench::argNumber(argv[2], "RATE"));
  const std::string path = bench::componentPath("LoopBare0");

  // Blocked before the ORB starts its threads, so only sigwait below ever sees these signals.
  const sigset_t stopSignals = bench::blockStopSignals();

  try
  {
    CORBA::ORB_var orb = bench::initLoopbackOrb(argv[0]);
    CORBA::Object_var poaObj = orb->resolve_initial_references("RootPOA");
    PortableServer::POA_var poa = PortableServer::POA::_narrow(poaObj);
    PortableServer::Servant_var<BareLoopInput> input = new BareLoopInput;
    PortableServer::ObjectId_var oid = poa->activate_object(input.in());
    CORBA::Object_var ref = poa->id_to_reference(oid.in());
    PortableServer::POAManager_var pm = poa->the_POAManager();
    pm->activate();
    CosNaming::NamingContextExt_var root = bench::namingRoot(orb, nsPort);

    std::atomic<bool> stop{false};
    std::thread ticker([&] { answer(root, *input, rate, stop); });
    bench::bindInContext(root, path, ref);
    int signal = 0;
    sigwait(&stopSignals, &signal);
    stop = true;
    ticker.join();
    bench::unbindIfBound(root, path);
    orb->destroy();
  }
  catch (const CORBA::Exception& e)
  {
    std::cerr << "bare_loop: " << e._name() << " (is the naming service on 127.0.0.1:" << nsPort << " running?)\n";
    return 1;
  }
  return 0;
}
