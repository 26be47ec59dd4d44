// The type-independent half of an input data port: its connections (a CORBA CDR object per push
// connection, a handle on the peer's object per pull connection), the one buffer they all feed,
// and the reads the component makes. InPort<T> adds only the binding to a typed sample.
#ifndef RTM_INPORTBASE_H
#define RTM_INPORTBASE_H

#include <rtm/PortBase.h>
#include <rtm/detail/SampleOps.h>
#include <coil/Properties.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace rtm
{
  class SampleQueue;
}

namespace RTC
{
  class InPortBase : public PortBase
  {
  public:
    InPortBase(const char* name, const ::rtm::SampleOps& ops);
    virtual ~InPortBase();
    // Port options from the component's properties (port.inport.<name>.* over
    // port.inport.dataport.*): buffer defaults, connection_limit, provider_types, call timeout.
    virtual void init(coil::Properties& prop);
    coil::Properties& properties();

    // True if a sample is waiting to be read, also one whose connection has since been
    // removed. With pull connections and nothing waiting, it first asks the peers (which, by
    // their buffer's read policy, may hand out their last sample again).
    bool isNew();
    // True if no sample is waiting.
    bool isEmpty();

    virtual void deactivatePort();

  protected:
    // Fills `sample` by the buffer's policies; false with nothing to read. Without connections
    // only waiting samples are read: readback and blocking need a connection.
    bool readSample(void* sample);

    virtual ReturnCode_t publishInterfaces(ConnectorProfile& connector_profile);
    virtual ReturnCode_t subscribeInterfaces(const ConnectorProfile& connector_profile);
    virtual void removeConnector(const std::string& connector_id);
    virtual void prepareConnect(ConnectorProfile& connector_profile);

  private:
    struct Connection;
    void fetchFromPeers();
    bool hasConnections() const;

    const ::rtm::SampleOps& m_ops;
    std::shared_ptr<::rtm::SampleQueue> m_queue;
    coil::Properties m_portOptions;  // guarded by m_connMutex
    mutable std::mutex m_connMutex;
    std::vector<std::shared_ptr<Connection>> m_connections;
    std::atomic<int> m_ready;  // connections through which data can come
    std::atomic<int> m_pulling;  // of them, pull connections
  };
}

#endif
