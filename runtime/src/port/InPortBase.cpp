#include <rtm/InPortBase.h>
#include <rtm/RTObject.h>

#include "log/Logger.h"
#include "log/ServantBoundary.h"
#include "port/ConnectionRequest.h"
#include "port/ConnectorEvents.h"
#include "port/ConnectorListeners.h"
#include "port/ConnectorOptions.h"
#include "sdo/NVUtil.h"
#include "transport/InPortCdrProvider.h"
#include "transport/OutPortCdrConsumer.h"
#include "transport/SampleQueue.h"

#include <algorithm>

namespace RTC
{
  struct InPortBase::Connection
  {
    std::string id;
    ::rtm::ByteOrder order = ::rtm::ByteOrder::Little;
    bool ready = false;  // the handshake completed
    // Push: the object the peer puts into.
    OpenRTM::InPortCdr_var provider;
    // Pull: the peer's object we get from.
    std::unique_ptr<::rtm::OutPortCdrConsumer> source;
    std::shared_ptr<::rtm::ConnectorEvents> events;
  };

  InPortBase::InPortBase(const char* name, const ::rtm::SampleOps& ops)
    : PortBase(name), m_ops(ops), m_queue(std::make_shared<::rtm::SampleQueue>(ops)), m_ready(0), m_pulling(0),
      m_listeners(std::make_shared<::rtm::ConnectorListeners>()), m_lastRead(DataPortStatus::BUFFER_EMPTY),
      m_littleEndian(true)
  {
    setProfileProperty("port.port_type", "DataInPort");
    setProfileProperty("dataport.data_type", ops.typeId());
    setProfileProperty("dataport.subscription_type", "Any");
    setProfileProperty("dataport.dataflow_type", "push,pull");
    setProfileProperty("dataport.interface_type", "corba_cdr");
  }

  InPortBase::~InPortBase() { InPortBase::deactivatePort(); }

  void InPortBase::init(coil::Properties& prop)
  {
    std::lock_guard<std::mutex> lock(m_connMutex);
    m_portOptions = prop;
    setPeerCallTimeout(::rtm::secondsOption(prop, ::rtm::kCallTimeoutOption, ::rtm::kDefaultCallTimeoutMs));
    // The buffer starts with the port's defaults; each connection may re-initialise it.
    const coil::Properties options(prop);
    m_queue->configure([&options](const std::string& key) { return options.getProperty(key); });
  }

  coil::Properties& InPortBase::properties() { return m_portOptions; }

  // ---------------------------------------------------------------- component side ---------

  // A sample already answered PORT_OK is the component's, whether or not the connection that
  // brought it is still there: a peer that writes once and disconnects at once (as the shell
  // tools inject a value) must not race the next tick. Only readback needs a connection.
  bool InPortBase::isNew()
  {
    return ::rtm::guarded(
      "port", "InPort isNew", [] { return false; },
      [&] {
        if (m_queue->readable() > 0)
          return true;
        if (!hasConnections())
          return false;
        if (m_queue->readable() == 0 && m_pulling.load() > 0)
          fetchFromPeers();
        return m_queue->readable() > 0;
      });
  }

  bool InPortBase::isEmpty()
  {
    return ::rtm::guarded(
      "port", "InPort isEmpty", [] { return true; }, [&] { return m_queue->readable() == 0; });
  }

  bool InPortBase::readSample(void* sample)
  {
    return ::rtm::guarded(
      "port", "InPort read", [] { return false; },
      [&] {
        bool read = false;
        if (!hasConnections())
        {
          read = m_queue->readable() > 0 && m_queue->readInto(sample);
          m_lastRead.store(read ? DataPortStatus::PORT_OK : DataPortStatus::PRECONDITION_NOT_MET);
          return read;
        }
        if (m_queue->readable() == 0 && m_pulling.load() > 0)
          fetchFromPeers();
        read = m_queue->readInto(sample);
        m_lastRead.store(read ? DataPortStatus::PORT_OK : DataPortStatus::BUFFER_EMPTY);
        return read;
      });
  }

  DataPortStatus::Enum InPortBase::getStatus(int) { return static_cast<DataPortStatus::Enum>(m_lastRead.load()); }

  DataPortStatusList InPortBase::getStatusList() { return DataPortStatusList(1, getStatus(0)); }

  void InPortBase::callbackFailed(const char* which)
  {
    RTM_LOG_WARN("port", profileName() << ": the component's " << which << " callback failed ("
                                       << ::rtm::currentExceptionText() << "); the read reports no data");
  }

  bool InPortBase::hasConnections() const { return m_ready.load() > 0; }

  // Asks the pull peers, in connection order, until one has a sample; a peer that is gone loses
  // its connection here, the only place this side can notice.
  void InPortBase::fetchFromPeers()
  {
    std::vector<std::shared_ptr<Connection>> sources;
    {
      std::lock_guard<std::mutex> lock(m_connMutex);
      for (const auto& c : m_connections)
        if (c->ready && c->source)
          sources.push_back(c);
    }
    std::vector<std::string> lost;
    for (const auto& c : sources)
    {
      OpenRTM::CdrData_var data;
      OpenRTM::PortStatus status = OpenRTM::UNKNOWN_ERROR;
      if (!c->source->get(data, status))
      {
        c->events->plain(ON_SENDER_ERROR);
        lost.push_back(c->id);
        continue;
      }
      if (status != OpenRTM::PORT_OK)
      {
        c->events->plain(status == OpenRTM::BUFFER_EMPTY     ? ON_SENDER_EMPTY
                         : status == OpenRTM::BUFFER_TIMEOUT ? ON_SENDER_TIMEOUT
                                                             : ON_SENDER_ERROR);
        continue;
      }
      // Listeners hear of the sample once it decoded (see InPortCdrProvider::put).
      const OpenRTM::PortStatus stored = m_queue->putCdr(data->get_buffer(), data->length(), c->order);
      if (stored != OpenRTM::PORT_OK && stored != OpenRTM::BUFFER_FULL)
      {
        c->events->plain(ON_SENDER_ERROR);
        continue;
      }
      c->events->data(ON_RECEIVED, data->get_buffer(), data->length());
      if (stored == OpenRTM::PORT_OK || stored == OpenRTM::BUFFER_FULL)
        c->events->data(ON_BUFFER_WRITE, data->get_buffer(), data->length());
      if (stored == OpenRTM::BUFFER_FULL)
      {
        c->events->data(ON_BUFFER_FULL, data->get_buffer(), data->length());
        c->events->data(ON_RECEIVER_FULL, data->get_buffer(), data->length());
      }
      if (stored == OpenRTM::PORT_OK)
        break;
    }
    for (const std::string& id : lost)
      dropConnection(id);
  }

  // ---------------------------------------------------------------- handshake --------------

  void InPortBase::prepareConnect(ConnectorProfile& connector_profile) { ::rtm::offerByteOrders(connector_profile); }

  ReturnCode_t InPortBase::publishInterfaces(ConnectorProfile& connector_profile)
  {
    ::rtm::ConnectionRequest request;
    coil::Properties portOptions;
    {
      std::lock_guard<std::mutex> lock(m_connMutex);
      portOptions = m_portOptions;
    }
    const ReturnCode_t checked = request.accept(connector_profile, portOptions, ::rtm::Direction::In, m_ops.typeId(),
                                                connectionCount(), profileName());
    if (checked != RTC_OK)
      return checked;

    auto connection = std::make_shared<Connection>();
    connection->id = connector_profile.connector_id.in();
    connection->order = request.order;
    connection->events = std::make_shared<::rtm::ConnectorEvents>(
      ::rtm::ConnectorEvents::describe(connector_profile, request.options,
                                       m_owner != nullptr ? m_owner->getORB() : CORBA::ORB::_nil()),
      request.order, m_listeners);
    if (!request.pull)
    {
      PortableServer::POA_ptr poa = getPOA();
      if (CORBA::is_nil(poa) || m_owner == nullptr)
        return RTC_ERROR;
      // The POA shares ownership of the servant and frees it after its last call.
      PortableServer::Servant_var<::rtm::InPortCdrProvider> servant =
        new ::rtm::InPortCdrProvider(m_queue, request.order, connection->events);
      PortableServer::ObjectId_var oid = poa->activate_object(servant.in());
      CORBA::Object_var obj = poa->id_to_reference(oid.in());
      connection->provider = OpenRTM::InPortCdr::_narrow(obj.in());
    }
    {
      // Listed before anything else can fail, so that removeConnector finds what to undo.
      std::lock_guard<std::mutex> lock(m_connMutex);
      m_connections.push_back(connection);
      m_littleEndian = request.order == ::rtm::ByteOrder::Little;
    }
    connection->events->plain(ON_CONNECT);
    if (!CORBA::is_nil(connection->provider))
    {
      CORBA::String_var ior = m_owner->getORB()->object_to_string(connection->provider.in());
      ::rtm::appendString(connector_profile.properties, "dataport.corba_cdr.inport_ior", ior.in());
      CORBA::Any ref;
      ref <<= connection->provider.in();
      ::rtm::appendAny(connector_profile.properties, "dataport.corba_cdr.inport_ref", ref);
    }
    return RTC_OK;
  }

  ReturnCode_t InPortBase::subscribeInterfaces(const ConnectorProfile& connector_profile)
  {
    const std::string id = connector_profile.connector_id.in();
    std::shared_ptr<Connection> connection;
    coil::Properties portOptions;
    {
      std::lock_guard<std::mutex> lock(m_connMutex);
      portOptions = m_portOptions;
      for (const auto& c : m_connections)
        if (c->id == id)
          connection = c;
    }
    if (!connection)
      return RTC_ERROR;
    ::rtm::ConnectionRequest request;
    const ReturnCode_t checked = request.parse(connector_profile, portOptions, ::rtm::Direction::In, m_ops.typeId());
    if (checked != RTC_OK)
      return checked;

    std::unique_ptr<::rtm::OutPortCdrConsumer> source;
    if (request.pull)
    {
      // Like peers of the 1.1 middleware, only the stringified reference is read.
      std::string ior;
      if (!::rtm::findString(connector_profile.properties, "dataport.corba_cdr.outport_ior", ior) || m_owner == nullptr)
        return BAD_PARAMETER;
      try
      {
        CORBA::Object_var obj = m_owner->getORB()->string_to_object(ior.c_str());
        OpenRTM::OutPortCdr_var peer = OpenRTM::OutPortCdr::_narrow(obj.in());
        if (CORBA::is_nil(peer))
          return BAD_PARAMETER;
        source = std::make_unique<::rtm::OutPortCdrConsumer>(peer.in(), request.callTimeoutMs);
      }
      catch (const CORBA::SystemException& e)
      {
        // A reference that does not parse is the peer's fault, refused as a bad profile.
        RTM_LOG_WARN("port", profileName() << ": the peer's outport_ior is unusable (" << e._name() << ")");
        return BAD_PARAMETER;
      }
    }

    const coil::Properties& options = request.options;
    m_queue->configure([&options](const std::string& key) { return options.getProperty(key); });
    {
      std::lock_guard<std::mutex> lock(m_connMutex);
      connection->source = std::move(source);
      connection->ready = true;
      if (connection->source)
        ++m_pulling;
    }
    ++m_ready;
    return RTC_OK;
  }

  void InPortBase::removeConnector(const std::string& connector_id)
  {
    std::shared_ptr<Connection> connection;
    {
      std::lock_guard<std::mutex> lock(m_connMutex);
      auto it = std::find_if(m_connections.begin(), m_connections.end(),
                             [&](const std::shared_ptr<Connection>& c) { return c->id == connector_id; });
      if (it == m_connections.end())
        return;
      connection = *it;
      m_connections.erase(it);
      if (connection->ready)
      {
        --m_ready;
        if (connection->source)
          --m_pulling;
      }
    }
    connection->events->plain(ON_DISCONNECT);
    // The buffer and what it holds stay: they belong to the port, not to the connection.
    if (!CORBA::is_nil(connection->provider))
    {
      try
      {
        PortableServer::POA_ptr poa = getPOA();
        PortableServer::ObjectId_var oid = poa->reference_to_id(connection->provider.in());
        poa->deactivate_object(oid.in());
      }
      catch (const CORBA::Exception&)
      {
        // Already deactivated, or the POA went with the ORB: the end we want.
      }
    }
  }

  void InPortBase::deactivatePort()
  {
    PortBase::deactivatePort();
    m_queue->wakeAll();
  }
}

namespace RTC
{
  // ---------------------------------------------------------------- listeners --------------

  void InPortBase::addConnectorDataListener(ConnectorDataListenerType listener_type, ConnectorDataListener* listener,
                                            bool autoclean)
  {
    m_listeners->addData(listener_type, listener, autoclean);
  }

  void InPortBase::removeConnectorDataListener(ConnectorDataListenerType listener_type, ConnectorDataListener* listener)
  {
    m_listeners->removeData(listener_type, listener);
  }

  void InPortBase::addConnectorListener(ConnectorListenerType listener_type, ConnectorListener* listener,
                                        bool autoclean)
  {
    m_listeners->add(listener_type, listener, autoclean);
  }

  void InPortBase::removeConnectorListener(ConnectorListenerType listener_type, ConnectorListener* listener)
  {
    m_listeners->remove(listener_type, listener);
  }

  ConnectorInfoList InPortBase::getConnectorProfiles()
  {
    std::lock_guard<std::mutex> lock(m_connMutex);
    ConnectorInfoList infos;
    for (const auto& c : m_connections)
      infos.push_back(c->events->info());
    return infos;
  }

  coil::vstring InPortBase::getConnectorIds()
  {
    coil::vstring ids;
    for (const ConnectorInfo& info : getConnectorProfiles())
      ids.push_back(info.id);
    return ids;
  }

  coil::vstring InPortBase::getConnectorNames()
  {
    coil::vstring names;
    for (const ConnectorInfo& info : getConnectorProfiles())
      names.push_back(info.name);
    return names;
  }

  bool InPortBase::getConnectorProfileById(const char* id, ConnectorInfo& prof)
  {
    for (const ConnectorInfo& info : getConnectorProfiles())
      if (id != nullptr && info.id == id)
      {
        prof = info;
        return true;
      }
    return false;
  }

  bool InPortBase::getConnectorProfileByName(const char* name, ConnectorInfo& prof)
  {
    for (const ConnectorInfo& info : getConnectorProfiles())
      if (name != nullptr && info.name == name)
      {
        prof = info;
        return true;
      }
    return false;
  }

  bool InPortBase::isLittleEndian()
  {
    std::lock_guard<std::mutex> lock(m_connMutex);
    return m_littleEndian;
  }
}
