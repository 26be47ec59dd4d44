// The type-independent half of an input data port: its connections (a CORBA CDR object per push
// connection, a handle on the peer's object per pull connection), the one buffer they all feed,
// and the reads the component makes. InPort<T> adds only the binding to a typed sample.
#ifndef RTM_INPORTBASE_H
#define RTM_INPORTBASE_H

#include <rtm/PortBase.h>
#include <rtm/ConnectorBase.h>
#include <rtm/ConnectorListener.h>
#include <rtm/DataPortStatus.h>
#include <rtm/detail/SampleOps.h>
#include <coil/Properties.h>
#include <coil/stringutil.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace rtm
{
  class ConnectorListeners;
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

    // Reads into the bound sample (InPort<T>::read()).
    virtual bool read() = 0;

    // How the last read went (one status: all connections feed one buffer).
    DataPortStatus::Enum getStatus(int index);
    DataPortStatusList getStatusList();

    // Listeners are called in the thread doing the step (an ORB thread for a sample pushed in,
    // the reader's for a pull), with no lock of the port held, so they may call the port. With
    // autoclean the port deletes the listener when it is removed or at the port's end.
    void addConnectorDataListener(ConnectorDataListenerType listener_type, ConnectorDataListener* listener,
                                  bool autoclean = true);
    void removeConnectorDataListener(ConnectorDataListenerType listener_type, ConnectorDataListener* listener);
    void addConnectorListener(ConnectorListenerType listener_type, ConnectorListener* listener, bool autoclean = true);
    void removeConnectorListener(ConnectorListenerType listener_type, ConnectorListener* listener);

    // The connections this port receives through, in the order they were made.
    ConnectorInfoList getConnectorProfiles();
    coil::vstring getConnectorIds();
    coil::vstring getConnectorNames();
    bool getConnectorProfileById(const char* id, ConnectorInfo& prof);
    bool getConnectorProfileByName(const char* name, ConnectorInfo& prof);
    // The byte order of the latest connection (little without one).
    bool isLittleEndian();

  protected:
    // Fills `sample` by the buffer's policies; false with nothing to read. Without connections
    // only waiting samples are read: readback and blocking need a connection.
    bool readSample(void* sample);
    // One warning for a component's callback that threw.
    void callbackFailed(const char* which);

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

    // Connector listeners and the outcome of the last read.
    std::shared_ptr<::rtm::ConnectorListeners> m_listeners;
    std::atomic<int> m_lastRead;  // a DataPortStatus::Enum
    bool m_littleEndian;  // guarded by m_connMutex
  };
}

#endif
