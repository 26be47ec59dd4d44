// The one data port of rtctl's own short-lived component, seen through text: what inject writes
// and what print reads. Made by a SampleCodec for the target port's data type.
#pragma once

#include <rtm/PortBase.h>
#include <rtm/idl/BasicDataType.hh>

#include <string>

namespace rtctl
{
  class LocalPort
  {
  public:
    virtual ~LocalPort() = default;
    virtual RTC::PortBase& port() = 0;
    virtual bool isInput() const = 0;
  };

  class SampleWriter : public LocalPort
  {
  public:
    bool isInput() const override { return false; }
    // Makes `text` the next sample's value; false (and the sample unchanged) when it is not a
    // value of the port's type.
    virtual bool parse(const std::string& text) = 0;
    // Sends the sample with this time stamp to every connection; false if sending failed.
    virtual bool write(const RTC::Time& stamp) = 0;
  };

  class SampleReader : public LocalPort
  {
  public:
    bool isInput() const override { return true; }
    // The oldest sample that arrived and was not yet taken; false when there is none.
    virtual bool take(std::string& value, RTC::Time& stamp) = 0;
  };
}
