// The type-independent half of an output data port: its connections and their publishers, and
// write(), which encodes a sample once and hands the octets to every connection. OutPort<T>
// adds only the binding to a typed sample.
#ifndef RTM_OUTPORTBASE_H
#define RTM_OUTPORTBASE_H

#include <rtm/PortBase.h>
#include <rtm/ConnectorBase.h>
#include <rtm/ConnectorListener.h>
#include <rtm/DataPortStatus.h>
#include <rtm/detail/SampleOps.h>
#include <coil/Properties.h>
#include <coil/stringutil.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace rtm
{
  class ConnectorListeners;
}

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

    // Writes the bound sample (OutPort<T>::write()).
    virtual bool write() = 0;

    // How each connection took the last write, in connection order.
    DataPortStatus::Enum getStatus(int index);
    DataPortStatusList getStatusList();

    // Listeners are called in the thread doing the step, with no lock of the port held, so they
    // may call the port. With autoclean the port deletes the listener when it is removed or at
    // the port's end.
    void addConnectorDataListener(ConnectorDataListenerType listener_type, ConnectorDataListener* listener,
                                  bool autoclean = true);
    void removeConnectorDataListener(ConnectorDataListenerType listener_type, ConnectorDataListener* listener);
    void addConnectorListener(ConnectorListenerType listener_type, ConnectorListener* listener, bool autoclean = true);
    void removeConnectorListener(ConnectorListenerType listener_type, ConnectorListener* listener);

    // The connections this port sends on, in the order they were made.
    ConnectorInfoList getConnectorProfiles();
    coil::vstring getConnectorIds();
    coil::vstring getConnectorNames();
    bool getConnectorProfileById(const char* id, ConnectorInfo& prof);
    bool getConnectorProfileByName(const char* name, ConnectorInfo& prof);
    // The byte order of the latest connection (little without one).
    bool isLittleEndian();

  protected:
    // Turns the sample into what one connection is sent (OnWriteConvert), once per connection.
    class SampleConverter
    {
    public:
      virtual ~SampleConverter() {}
      virtual const void* convert(const void* sample) = 0;
    };

    // Sends `sample` on every connection. False if there is none, or any of them failed; a
    // connection whose peer is gone is removed. Never throws. One thread writes at a time.
    bool writeSample(const void* sample, SampleConverter* converter = 0);
    // One warning for a component's callback that threw.
    void callbackFailed(const char* which);

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
    void publishOutcomes();

    const ::rtm::SampleOps& m_ops;
    // Used by the writing thread, but for the last value's encoding (see m_valueMutex).
    std::unique_ptr<Encoders> m_encoders;

    mutable std::mutex m_connMutex;  // guards what follows
    coil::Properties m_portOptions;
    // Replaced, never changed in place, so a writer can send without holding the lock.
    std::shared_ptr<const ConnectionList> m_live;
    ConnectionList m_pending;  // pull connections between the two handshake steps
    bool m_active;

    mutable std::mutex m_valueMutex;  // guards which encoding holds the last value, and m_lastValue
    std::shared_ptr<void> m_lastValue;  // the initial value, then the last one decoded for a profile

    // Connector listeners and write outcomes.
    std::shared_ptr<::rtm::ConnectorListeners> m_listeners;
    std::mutex m_statusMutex;
    DataPortStatusList m_statuses;  // guarded by m_statusMutex
    DataPortStatusList m_writeOutcomes;  // used by the writing thread only, then published
    bool m_tooLargeWarned;  // used by the writing thread only
    bool m_littleEndian;  // guarded by m_connMutex
  };
}

#endif
