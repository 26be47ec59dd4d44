// Everything rtctl knows about one data type: its repository ID, how its values are written as
// text, and how to make a local port of that type. One instance per supported type.
#pragma once

#include "client/LocalPort.h"

#include <memory>
#include <string>
#include <vector>

namespace rtctl
{
  class SampleCodec
  {
  public:
    virtual ~SampleCodec() = default;
    // "TimedLong"
    virtual const char* typeName() const = 0;
    // "IDL:RTC/TimedLong:1.0"
    std::string typeId() const { return std::string("IDL:RTC/") + typeName() + ":1.0"; }
    // What a value looks like, for messages: "a 32-bit integer".
    virtual const char* valueDescription() const = 0;
    // True if `text` is a value of this type.
    virtual bool accepts(const std::string& text) const = 0;
    // Parses and prints back, as print would show the value; "" for text that is not a value.
    virtual std::string normalise(const std::string& text) const = 0;

    virtual std::unique_ptr<SampleWriter> makeWriter(const char* portName) const = 0;
    virtual std::unique_ptr<SampleReader> makeReader(const char* portName) const = 0;

    // "'abc' is not a TimedLong value (a 32-bit integer)"
    virtual std::string rejection(const std::string& text) const
    {
      return "'" + text + "' is not a " + typeName() + " value (" + valueDescription() + ")";
    }

    // The codec for a repository ID; nullptr for a type rtctl cannot carry.
    static const SampleCodec* find(const std::string& typeId);
    // Every supported type name, for messages and --help.
    static std::vector<std::string> supportedNames();
  };
}
