// Listeners a component adds to a data port to watch each connection's traffic and life: a data
// listener sees each sample at the step its type names, a plain one sees the step alone. A port
// keeps one list per type, shared by all its connections.
#ifndef RTM_CONNECTORLISTENER_H
#define RTM_CONNECTORLISTENER_H

#include <rtm/ConnectorBase.h>
#include <omniORB4/CORBA.h>

#include <string>

namespace RTC
{
  enum ConnectorDataListenerType
  {
    ON_BUFFER_WRITE = 0,
    ON_BUFFER_FULL,
    ON_BUFFER_WRITE_TIMEOUT,
    ON_BUFFER_OVERWRITE,
    ON_BUFFER_READ,
    ON_SEND,
    ON_RECEIVED,
    ON_RECEIVER_FULL,
    ON_RECEIVER_TIMEOUT,
    ON_RECEIVER_ERROR,
    CONNECTOR_DATA_LISTENER_NUM
  };

  class ConnectorDataListener
  {
  public:
    virtual ~ConnectorDataListener() {}
    // `data` holds one marshalled sample, in the byte order of the connection.
    virtual void operator()(const ConnectorInfo& info, const cdrMemoryStream& data) = 0;

    static const char* toString(ConnectorDataListenerType type)
    {
      static const char* const names[] = {"ON_BUFFER_WRITE",
                                          "ON_BUFFER_FULL",
                                          "ON_BUFFER_WRITE_TIMEOUT",
                                          "ON_BUFFER_OVERWRITE",
                                          "ON_BUFFER_READ",
                                          "ON_SEND",
                                          "ON_RECEIVED",
                                          "ON_RECEIVER_FULL",
                                          "ON_RECEIVER_TIMEOUT",
                                          "ON_RECEIVER_ERROR",
                                          "CONNECTOR_DATA_LISTENER_NUM"};
      return type >= ON_BUFFER_WRITE && type <= CONNECTOR_DATA_LISTENER_NUM ? names[type] : "";
    }
  };

  // A data listener that is handed the sample decoded as a DataType.
  template <class DataType>
  class ConnectorDataListenerT : public ConnectorDataListener
  {
  public:
    virtual ~ConnectorDataListenerT() {}

    virtual void operator()(const ConnectorInfo& info, const cdrMemoryStream& data)
    {
      // The connection's first listed byte order is the one its samples travel in.
      std::string endian = info.properties.getProperty("serializer.cdr.endian", "little");
      endian = endian.substr(0, endian.find(','));
      const std::string::size_type first = endian.find_first_not_of(" \t");
      endian =
        first == std::string::npos ? std::string() : endian.substr(first, endian.find_last_not_of(" \t") + 1 - first);
      for (std::string::size_type i = 0; i < endian.size(); ++i)
        endian[i] = static_cast<char>(endian[i] >= 'A' && endian[i] <= 'Z' ? endian[i] - 'A' + 'a' : endian[i]);

      cdrMemoryStream cdr;
      cdr.setByteSwapFlag(endian != "big");
      cdr.put_octet_array(static_cast<const CORBA::Octet*>(data.bufPtr()), data.bufSize());
      DataType value;
      value <<= cdr;
      operator()(info, value);
    }

    virtual void operator()(const ConnectorInfo& info, const DataType& data) = 0;
  };

  enum ConnectorListenerType
  {
    ON_BUFFER_EMPTY = 0,
    ON_BUFFER_READ_TIMEOUT,
    ON_SENDER_EMPTY,
    ON_SENDER_TIMEOUT,
    ON_SENDER_ERROR,
    ON_CONNECT,
    ON_DISCONNECT,
    CONNECTOR_LISTENER_NUM
  };

  class ConnectorListener
  {
  public:
    virtual ~ConnectorListener() {}
    virtual void operator()(const ConnectorInfo& info) = 0;

    static const char* toString(ConnectorListenerType type)
    {
      static const char* const names[] = {"ON_BUFFER_EMPTY",   "ON_BUFFER_READ_TIMEOUT", "ON_SENDER_EMPTY",
                                          "ON_SENDER_TIMEOUT", "ON_SENDER_ERROR",        "ON_CONNECT",
                                          "ON_DISCONNECT",     "CONNECTOR_LISTENER_NUM"};
      return type >= ON_BUFFER_EMPTY && type <= CONNECTOR_LISTENER_NUM ? names[type] : "";
    }
  };
}

#endif
