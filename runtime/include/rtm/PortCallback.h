// Callbacks a component hangs on its data ports, called in the reading or writing thread. The
// port does not own them: they must outlive the port or be unset first.
#ifndef RTM_PORTCALLBACK_H
#define RTM_PORTCALLBACK_H

#include <rtm/RTC.h>

namespace RTC
{
  // At the start of each write, with the value about to be sent.
  template <class DataType>
  class OnWrite
  {
  public:
    virtual ~OnWrite() {}
    virtual void operator()(const DataType& value) = 0;
  };

  // Once per connection and write: what it returns is sent on that connection instead.
  template <class DataType>
  class OnWriteConvert
  {
  public:
    virtual ~OnWriteConvert() {}
    virtual DataType operator()(const DataType& value) = 0;
  };

  // At the start of each read, connected or not.
  template <class DataType>
  class OnRead
  {
  public:
    virtual ~OnRead() {}
    virtual void operator()() = 0;
  };

  // After a sample was read: what it returns becomes the port's bound variable.
  template <class DataType>
  class OnReadConvert
  {
  public:
    virtual ~OnReadConvert() {}
    virtual DataType operator()(const DataType& value) = 0;
  };

  class ConnectionCallback
  {
  public:
    virtual ~ConnectionCallback() {}
    virtual void operator()(ConnectorProfile& profile) = 0;
  };

  // Declared for the middleware's sources; no port calls it.
  class DisconnectCallback
  {
  public:
    virtual ~DisconnectCallback() {}
    virtual void operator()(ConnectorProfile& profile) = 0;
  };
}

#endif
