// The target of inject and print: a data port of the right direction, with a data type rtctl
// can carry. Refuses anything else with a line naming the port.
#pragma once

#include "client/ComponentRef.h"
#include "client/PortConnector.h"
#include "client/SampleCodec.h"
#include "client/Session.h"

#include <chrono>

namespace rtctl
{
  class DataPortTarget
  {
  public:
    // `wantInput`: inject needs an input port, print an output port.
    DataPortTarget(Session& session, const RtPath& path, bool wantInput);

    const RtPath& path() const { return m_path; }
    const SampleCodec& codec() const { return *m_codec; }
    RTC::PortService_ptr ref() const { return m_port.ref.in(); }
    // push, flush, corba_cdr and the target's data type, as the shell tools connect theirs.
    PortConnector::Properties connectorProperties() const;
    // How long the target's component needs to take in what was sent to it: a component sees no
    // new data on a port without connections, so inject must not disconnect before it has read
    // its last samples. Ten periods of its first owned context (it reads one sample a period),
    // within bounds; a default when the rate cannot be read.
    std::chrono::milliseconds drainTime() const;
    // True once the target port no longer answers (its process died without disconnecting).
    // Asks the port at most once a second, so that it can be called in a polling loop.
    bool vanished() const;

  private:
    RtPath m_path;
    ComponentRef m_component;
    ComponentRef::Port m_port;
    const SampleCodec* m_codec;
    mutable std::chrono::steady_clock::time_point m_nextProbe;
  };
}
