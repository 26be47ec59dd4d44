#include <rtm/OutPortBase.h>
#include <rtm/RTObject.h>

#include "log/Logger.h"
#include "log/ServantBoundary.h"
#include "port/ConnectionRequest.h"
#include "port/ConnectorEvents.h"
#include "port/ConnectorListeners.h"
#include "port/ConnectorOptions.h"
#include "sdo/NVUtil.h"
#include "transport/CdrCodec.h"
#include "transport/InPortCdrConsumer.h"
#include "transport/PublisherAsync.h"
#include "transport/PublisherFlush.h"
#include "transport/PublisherPull.h"
#include "transport/SampleQueue.h"

#include <algorithm>
#include <cstdlib>

namespace RTC
{
  namespace
  {
    // A sample of a type known through its SampleOps, in the form CdrEncoder marshals.
    struct ErasedSample
    {
      const ::rtm::SampleOps* ops;
      const void* sample;
      void operator>>=(cdrStream& out) const { ops->marshal(sample, out); }
    };

    ::rtm::PushPolicy pushPolicy(const std::string& name)
    {
      const std::string policy = ::rtm::lowerTrimmed(name);
      if (policy == "all")
        return ::rtm::PushPolicy::All;
      if (policy == "fifo")
        return ::rtm::PushPolicy::Fifo;
      if (policy == "skip")
        return ::rtm::PushPolicy::Skip;
      return ::rtm::PushPolicy::New;
    }

    // The push rate of a periodic connection in Hz; 0 if missing or unusable.
    double pushRate(const coil::Properties& options)
    {
      std::string text = options.getProperty("publisher.push_rate");
      if (text.empty())
        text = options.getProperty("push_rate");
      char* end = nullptr;
      const double rate = std::strtod(text.c_str(), &end);
      if (text.empty() || end == text.c_str() || *end != '\0' || !(rate > 0.0) || rate > 1.0e6)
        return 0.0;
      return rate;
    }

    ::rtm::RingBufferOptions bufferOptions(const coil::Properties& options)
    {
      return ::rtm::readRingBufferOptions([&options](const std::string& key) { return options.getProperty(key); });
    }

    DataPortStatus::Enum writeOutcome(::rtm::SendStatus status)
    {
      switch (status)
      {
        case ::rtm::SendStatus::OK:
          return DataPortStatus::PORT_OK;
        case ::rtm::SendStatus::PORT_ERROR:
          return DataPortStatus::PORT_ERROR;
        case ::rtm::SendStatus::SEND_FULL:
          return DataPortStatus::SEND_FULL;
        case ::rtm::SendStatus::SEND_TIMEOUT:
          return DataPortStatus::SEND_TIMEOUT;
        case ::rtm::SendStatus::CONNECTION_LOST:
          return DataPortStatus::CONNECTION_LOST;
        case ::rtm::SendStatus::BUFFER_FULL:
          return DataPortStatus::BUFFER_FULL;
        case ::rtm::SendStatus::BUFFER_TIMEOUT:
          return DataPortStatus::BUFFER_TIMEOUT;
        case ::rtm::SendStatus::TOO_LARGE:
          return DataPortStatus::INVALID_ARGS;
        default:
          return DataPortStatus::UNKNOWN_ERROR;
      }
    }

    // What one GIOP request adds around the sample's octets (headers, object key, operation
    // name, service contexts), with room to spare: a sample that fits with it never makes the
    // ORB refuse the call.
    const std::size_t kRequestOverhead = 1024;
  }

  struct OutPortBase::Connection
  {
    std::string id;
    ::rtm::ByteOrder order = ::rtm::ByteOrder::Little;
    std::unique_ptr<::rtm::Publisher> publisher;
    std::shared_ptr<::rtm::ConnectorEvents> events;
    bool lost = false;  // written by the writing thread only
  };

  // Each sample is encoded at most once per byte order a connection asked for, into streams
  // that are reused from write to write. The little-endian encoding is made at every write and is
  // also the port's record of the last value (dataport.data_value), which so costs no copy of its
  // own: it is made under m_valueMutex, which a profile request holds while it decodes it.
  struct OutPortBase::Encoders
  {
    ::rtm::CdrEncoder<ErasedSample> little;
    bool written = false;  // `little` holds the last value; set under m_valueMutex
    ::rtm::CdrEncoder<ErasedSample> big;
    ::rtm::CdrEncoder<ErasedSample> converted;  // what OnWriteConvert made for one connection
  };

  OutPortBase::OutPortBase(const char* name, const ::rtm::SampleOps& ops, const void* initial)
    : PortBase(name), m_ops(ops), m_encoders(std::make_unique<Encoders>()), m_live(std::make_shared<ConnectionList>()),
      m_active(false), m_lastValue(ops.create()), m_listeners(std::make_shared<::rtm::ConnectorListeners>()),
      m_tooLargeWarned(false), m_littleEndian(true)
  {
    m_ops.copy(m_lastValue.get(), initial);
    CORBA::Any value;
    m_ops.toAny(value, initial);
    setProfileProperty("port.port_type", "DataOutPort");
    setProfileProperty("dataport.data_type", ops.typeId());
    setProfileProperty("dataport.subscription_type", "flush,new,periodic");
    setProfileProperty("dataport.data_value", value);
    setProfileProperty("dataport.dataflow_type", "push,pull");
    setProfileProperty("dataport.interface_type", "corba_cdr");
  }

  OutPortBase::~OutPortBase() { OutPortBase::deactivatePort(); }

  void OutPortBase::init(coil::Properties& prop)
  {
    std::lock_guard<std::mutex> lock(m_connMutex);
    m_portOptions = prop;
    setPeerCallTimeout(::rtm::secondsOption(prop, ::rtm::kCallTimeoutOption, ::rtm::kDefaultCallTimeoutMs));
  }

  coil::Properties& OutPortBase::properties() { return m_portOptions; }

  // ---------------------------------------------------------------- write ------------------

  std::shared_ptr<const OutPortBase::ConnectionList> OutPortBase::liveConnections() const
  {
    std::lock_guard<std::mutex> lock(m_connMutex);
    return m_live;
  }

  bool OutPortBase::writeSample(const void* sample, SampleConverter* converter)
  {
    return ::rtm::guarded(
      "port", "OutPort write", [] { return false; },
      [&] {
        Encoders& e = *m_encoders;
        const ErasedSample erased = {&m_ops, sample};
        {
          std::lock_guard<std::mutex> lock(m_valueMutex);
          e.written = e.little.encode(erased, ::rtm::ByteOrder::Little);
          if (!e.written)
            return false;
        }
        const std::shared_ptr<const ConnectionList> live = liveConnections();
        m_writeOutcomes.clear();
        if (live->empty())
        {
          publishOutcomes();
          return false;
        }

        const std::size_t messageLimit = omniORB::giopMaxMsgSize();
        bool encodedBig = false;
        bool allSent = true;
        bool anyLost = false;
        bool tooLarge = false;
        for (const std::shared_ptr<Connection>& c : *live)
        {
          ::rtm::CdrEncoder<ErasedSample>* encoder = &e.little;
          if (converter != nullptr)
          {
            // A converted sample may differ per connection, so it is encoded for each.
            const ErasedSample converted = {&m_ops, converter->convert(sample)};
            encoder = &e.converted;
            if (!encoder->encode(converted, c->order))
              return false;
          }
          else if (c->order == ::rtm::ByteOrder::Big)
          {
            encoder = &e.big;
            if (!encodedBig && !encoder->encode(erased, c->order))
              return false;
            encodedBig = true;
          }
          // The ORB would refuse the call and take the connection for broken: refused here.
          ::rtm::SendStatus status = ::rtm::SendStatus::TOO_LARGE;
          if (encoder->size() + kRequestOverhead <= messageLimit)
            status = c->publisher->write(encoder->data(), encoder->size());
          m_writeOutcomes.push_back(writeOutcome(status));
          if (status == ::rtm::SendStatus::TOO_LARGE)
          {
            tooLarge = true;
            if (!m_tooLargeWarned)
              RTM_LOG_WARN(
                "port",
                profileName() << ": a sample of " << encoder->size() << " octets is over the ORB's message limit of "
                              << messageLimit
                              << " (giopMaxMsgSize); not sent, the connection stays: send less per sample or raise "
                                 "the ORB's giopMaxMsgSize on both sides");
          }
          if (status != ::rtm::SendStatus::OK)
            allSent = false;
          if (status == ::rtm::SendStatus::CONNECTION_LOST || c->publisher->lost())
          {
            c->lost = true;
            anyLost = true;
          }
        }
        m_tooLargeWarned = tooLarge;
        publishOutcomes();
        // Dropped once every connection had its turn, as dropping replaces the list being walked.
        if (anyLost)
        {
          for (const std::shared_ptr<Connection>& c : *live)
          {
            if (!c->lost)
              continue;
            RTM_LOG_WARN("port", profileName()
                                   << ": the peer of connection '" << c->id << "' is gone; removing the connection");
            dropConnection(c->id);
          }
        }
        return allSent;
      });
  }

  void OutPortBase::callbackFailed(const char* which)
  {
    RTM_LOG_WARN("port", profileName() << ": the component's " << which << " callback failed ("
                                       << ::rtm::currentExceptionText() << "); the sample was not written");
  }

  void OutPortBase::publishOutcomes()
  {
    std::lock_guard<std::mutex> lock(m_statusMutex);
    m_statuses.assign(m_writeOutcomes.begin(), m_writeOutcomes.end());
  }

  DataPortStatus::Enum OutPortBase::getStatus(int index)
  {
    std::lock_guard<std::mutex> lock(m_statusMutex);
    if (index < 0 || static_cast<std::size_t>(index) >= m_statuses.size())
      return DataPortStatus::PRECONDITION_NOT_MET;
    return m_statuses[static_cast<std::size_t>(index)];
  }

  DataPortStatusList OutPortBase::getStatusList()
  {
    std::lock_guard<std::mutex> lock(m_statusMutex);
    return m_statuses;
  }

  // ---------------------------------------------------------------- handshake --------------

  void OutPortBase::prepareConnect(ConnectorProfile& connector_profile) { ::rtm::offerByteOrders(connector_profile); }

  ReturnCode_t OutPortBase::publishInterfaces(ConnectorProfile& connector_profile)
  {
    coil::Properties portOptions;
    {
      std::lock_guard<std::mutex> lock(m_connMutex);
      portOptions = m_portOptions;
    }
    ::rtm::ConnectionRequest request;
    const ReturnCode_t checked = request.accept(connector_profile, portOptions, ::rtm::Direction::Out, m_ops.typeId(),
                                                connectionCount(), profileName());
    if (checked != RTC_OK)
      return checked;

    if (!request.pull)
    {
      // Refused here, before the peers build anything, rather than after the relay.
      const std::string kind = ::rtm::lowerTrimmed(request.options.getProperty("subscription_type"));
      if (!kind.empty() && kind != "flush" && kind != "new" && kind != "periodic")
      {
        RTM_LOG_WARN("port", profileName() << ": connection refused: unknown subscription_type '" << kind
                                           << "' (flush, new or periodic)");
        return RTC_ERROR;
      }
      if (kind == "periodic" && pushRate(request.options) <= 0.0)
      {
        RTM_LOG_WARN("port", profileName() << ": connection refused: periodic needs a positive "
                                              "dataport.publisher.push_rate");
        return RTC_ERROR;
      }
      return RTC_OK;
    }

    PortableServer::POA_ptr poa = getPOA();
    if (CORBA::is_nil(poa) || m_owner == nullptr)
      return RTC_ERROR;
    auto connection = std::make_shared<Connection>();
    connection->id = connector_profile.connector_id.in();
    connection->order = request.order;
    connection->events = std::make_shared<::rtm::ConnectorEvents>(
      ::rtm::ConnectorEvents::describe(connector_profile, request.options, m_owner->getORB()), request.order,
      m_listeners);
    auto publisher = std::make_unique<::rtm::PublisherPull>(poa, bufferOptions(request.options), connection->events);
    CORBA::String_var ior = m_owner->getORB()->object_to_string(publisher->reference());
    ::rtm::appendString(connector_profile.properties, "dataport.corba_cdr.outport_ior", ior.in());
    CORBA::Any ref;
    ref <<= publisher->reference();
    ::rtm::appendAny(connector_profile.properties, "dataport.corba_cdr.outport_ref", ref);
    connection->publisher = std::move(publisher);
    std::lock_guard<std::mutex> lock(m_connMutex);
    m_pending.push_back(connection);
    return RTC_OK;
  }

  ReturnCode_t OutPortBase::subscribeInterfaces(const ConnectorProfile& connector_profile)
  {
    const std::string id = connector_profile.connector_id.in();
    coil::Properties portOptions;
    std::shared_ptr<Connection> connection;
    bool active = false;
    {
      std::lock_guard<std::mutex> lock(m_connMutex);
      portOptions = m_portOptions;
      active = m_active;
      auto it = std::find_if(m_pending.begin(), m_pending.end(),
                             [&](const std::shared_ptr<Connection>& c) { return c->id == id; });
      if (it != m_pending.end())
      {
        connection = *it;
        m_pending.erase(it);
      }
    }
    ::rtm::ConnectionRequest request;
    const ReturnCode_t checked = request.parse(connector_profile, portOptions, ::rtm::Direction::Out, m_ops.typeId());
    if (checked != RTC_OK)
      return checked;

    if (!request.pull)
    {
      // The stringified reference first, the object second, as peers of the 1.1 middleware.
      OpenRTM::InPortCdr_var peer;
      try
      {
        std::string ior;
        if (::rtm::findString(connector_profile.properties, "dataport.corba_cdr.inport_ior", ior) && m_owner != nullptr)
        {
          CORBA::Object_var obj = m_owner->getORB()->string_to_object(ior.c_str());
          peer = OpenRTM::InPortCdr::_narrow(obj.in());
        }
        for (CORBA::ULong i = 0; CORBA::is_nil(peer) && i < connector_profile.properties.length(); ++i)
        {
          if (std::string(connector_profile.properties[i].name.in()) != "dataport.corba_cdr.inport_ref")
            continue;
          CORBA::Object_var obj;
          if (connector_profile.properties[i].value >>= CORBA::Any::to_object(obj.out()))
            peer = OpenRTM::InPortCdr::_narrow(obj.in());
        }
      }
      catch (const CORBA::SystemException& e)
      {
        // A reference that does not parse is the peer's fault, refused as a bad profile.
        RTM_LOG_WARN("port", profileName() << ": the peer's inport reference is unusable (" << e._name() << ")");
        peer = OpenRTM::InPortCdr::_nil();
      }
      if (CORBA::is_nil(peer))
        return BAD_PARAMETER;

      auto consumer = std::make_unique<::rtm::InPortCdrConsumer>(peer.in(), request.callTimeoutMs);
      connection = std::make_shared<Connection>();
      connection->id = id;
      // Peers of the 1.1 middleware always send little-endian in push mode, whatever the profile
      // says, and their receivers rely on it.
      connection->order = ::rtm::ByteOrder::Little;
      connection->events = std::make_shared<::rtm::ConnectorEvents>(
        ::rtm::ConnectorEvents::describe(connector_profile, request.options,
                                         m_owner != nullptr ? m_owner->getORB() : CORBA::ORB::_nil()),
        connection->order, m_listeners);
      std::string kind = ::rtm::lowerTrimmed(request.options.getProperty("subscription_type"));
      if (kind.empty() || kind == "flush")
      {
        connection->publisher = std::make_unique<::rtm::PublisherFlush>(std::move(consumer), connection->events);
      }
      else if (kind == "new" || kind == "periodic")
      {
        ::rtm::AsyncPublisherOptions options;
        options.periodic = kind == "periodic";
        options.rateHz = pushRate(request.options);
        if (options.periodic && options.rateHz <= 0.0)
          return RTC_ERROR;
        options.policy = pushPolicy(request.options.getProperty("publisher.push_policy"));
        options.skipCount = std::strtoul(request.options.getProperty("publisher.skip_count", "0").c_str(), nullptr, 10);
        options.buffer = bufferOptions(request.options);
        connection->publisher =
          std::make_unique<::rtm::PublisherAsync>(std::move(consumer), options, active, connection->events);
      }
      else
      {
        return RTC_ERROR;
      }
    }
    else if (!connection)
    {
      return RTC_ERROR;
    }

    {
      std::lock_guard<std::mutex> lock(m_connMutex);
      auto next = std::make_shared<ConnectionList>(*m_live);
      next->push_back(connection);
      m_live = next;
      m_littleEndian = connection->order == ::rtm::ByteOrder::Little;
      // The owner may have changed state while the publisher was made.
      if (m_active)
        connection->publisher->activate();
      else
        connection->publisher->deactivate();
    }
    connection->events->plain(ON_CONNECT);
    return RTC_OK;
  }

  void OutPortBase::removeConnector(const std::string& connector_id)
  {
    std::shared_ptr<Connection> removed;
    bool wasLive = false;
    {
      std::lock_guard<std::mutex> lock(m_connMutex);
      const auto matches = [&](const std::shared_ptr<Connection>& c) { return c->id == connector_id; };
      auto pending = std::find_if(m_pending.begin(), m_pending.end(), matches);
      if (pending != m_pending.end())
      {
        removed = *pending;
        m_pending.erase(pending);
      }
      auto live = std::find_if(m_live->begin(), m_live->end(), matches);
      if (live != m_live->end())
      {
        removed = *live;
        wasLive = true;
        auto next = std::make_shared<ConnectionList>(*m_live);
        next->erase(next->begin() + (live - m_live->begin()));
        m_live = next;
      }
    }
    // Joins the publisher thread, which may be in a (bounded) call to the peer: outside the lock.
    if (removed)
      removed->publisher->shutdown();
    if (wasLive && removed->events)
      removed->events->plain(ON_DISCONNECT);
  }

  // ---------------------------------------------------------------- listeners --------------

  void OutPortBase::addConnectorDataListener(ConnectorDataListenerType listener_type, ConnectorDataListener* listener,
                                             bool autoclean)
  {
    m_listeners->addData(listener_type, listener, autoclean);
  }

  void OutPortBase::removeConnectorDataListener(ConnectorDataListenerType listener_type,
                                                ConnectorDataListener* listener)
  {
    m_listeners->removeData(listener_type, listener);
  }

  void OutPortBase::addConnectorListener(ConnectorListenerType listener_type, ConnectorListener* listener,
                                         bool autoclean)
  {
    m_listeners->add(listener_type, listener, autoclean);
  }

  void OutPortBase::removeConnectorListener(ConnectorListenerType listener_type, ConnectorListener* listener)
  {
    m_listeners->remove(listener_type, listener);
  }

  ConnectorInfoList OutPortBase::getConnectorProfiles()
  {
    ConnectorInfoList infos;
    for (const auto& c : *liveConnections())
      infos.push_back(c->events->info());
    return infos;
  }

  coil::vstring OutPortBase::getConnectorIds()
  {
    coil::vstring ids;
    for (const auto& c : *liveConnections())
      ids.push_back(c->events->info().id);
    return ids;
  }

  coil::vstring OutPortBase::getConnectorNames()
  {
    coil::vstring names;
    for (const auto& c : *liveConnections())
      names.push_back(c->events->info().name);
    return names;
  }

  bool OutPortBase::getConnectorProfileById(const char* id, ConnectorInfo& prof)
  {
    for (const auto& c : *liveConnections())
      if (id != nullptr && c->events->info().id == id)
      {
        prof = c->events->info();
        return true;
      }
    return false;
  }

  bool OutPortBase::getConnectorProfileByName(const char* name, ConnectorInfo& prof)
  {
    for (const auto& c : *liveConnections())
      if (name != nullptr && c->events->info().name == name)
      {
        prof = c->events->info();
        return true;
      }
    return false;
  }

  bool OutPortBase::isLittleEndian()
  {
    std::lock_guard<std::mutex> lock(m_connMutex);
    return m_littleEndian;
  }

  // ---------------------------------------------------------------- owner state ------------

  void OutPortBase::activateInterfaces()
  {
    std::lock_guard<std::mutex> lock(m_connMutex);
    m_active = true;
    for (const auto& c : *m_live)
      c->publisher->activate();
  }

  void OutPortBase::deactivateInterfaces()
  {
    std::lock_guard<std::mutex> lock(m_connMutex);
    m_active = false;
    for (const auto& c : *m_live)
      c->publisher->deactivate();
  }

  void OutPortBase::deactivatePort()
  {
    PortBase::deactivatePort();
    ConnectionList pending;
    {
      std::lock_guard<std::mutex> lock(m_connMutex);
      pending.swap(m_pending);
    }
    for (const auto& c : pending)
      c->publisher->shutdown();
  }

  void OutPortBase::refreshProfile()
  {
    CORBA::Any value;
    {
      std::lock_guard<std::mutex> lock(m_valueMutex);
      if (m_encoders->written)
      {
        const ::rtm::CdrEncoder<ErasedSample>& encoded = m_encoders->little;
        ::rtm::decodeSample(m_ops, encoded.data(), encoded.size(), ::rtm::ByteOrder::Little, m_lastValue.get());
      }
      m_ops.toAny(value, m_lastValue.get());
    }
    setProfileProperty("dataport.data_value", value);
  }
}
