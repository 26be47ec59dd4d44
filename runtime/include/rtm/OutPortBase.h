// The type-independent half of an output data port: its connections and their publishers, and
// write(), which encodes a sample once and hands the octets to every connection. OutPort<T>
// adds only the binding to a typed sample.
#ifndef RTM_OUTPORTBASE_H
#define RTM_OUTPORTBASE_H

#include <rtm/PortBase.h>
#include <rtm/detail/SampleOps.h>
#include <coil/Properties.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace RTC
{
  class OutPortBase : public PortBase
  {
  public:
    // `initial` (of the port's type) becomes the profile's "dataport.data_value".
    OutPortBase(const char* name, const ::rtm::SampleOps& ops, const void* initial);
    virtual ~OutPortBase();
    // Port options from the component's properties (port.outport.<name>.* over
    // port.outport.dataport.*): buffer defaults, connection_limit, consumer_types, call timeout.
    virtual void init(coil::Properties& prop);
    coil::Properties& properties();

    virtual void activateInterfaces();
    virtual void deactivateInterfaces();
    virtual void deactivatePort();

  protected:
    // Sends `sample` on every connection. False if there is none, or any of them failed; a
    // connection whose peer is gone is removed. Never throws. One thread writes at a time.
    bool writeSample(const void* sample);

    virtual ReturnCode_t publishInterfaces(ConnectorProfile& connector_profile);
    virtual ReturnCode_t subscribeInterfaces(const ConnectorProfile& connector_profile);
    virtual void removeConnector(const std::string& connector_id);
    virtual void prepareConnect(ConnectorProfile& connector_profile);
    virtual void refreshProfile();

  private:
    struct Connection;
    struct Encoders;
    typedef std::vector<std::shared_ptr<Connection>> ConnectionList;
    std::shared_ptr<const ConnectionList> liveConnections() const;

    const ::rtm::SampleOps& m_ops;
    std::unique_ptr<Encoders> m_encoders;  // used by the writing thread only

    mutable std::mutex m_connMutex;  // guards what follows
    coil::Properties m_portOptions;
    // Replaced, never changed in place, so a writer can send without holding the lock.
    std::shared_ptr<const ConnectionList> m_live;
    ConnectionList m_pending;  // pull connections between the two handshake steps
    bool m_active;

    mutable std::mutex m_valueMutex;
    std::shared_ptr<void> m_lastValue;
  };
}

#endif
