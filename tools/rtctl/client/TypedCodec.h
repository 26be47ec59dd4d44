// A SampleCodec for one Timed* type, described by a traits class:
//   typedef ... Sample;                               the IDL struct (RTC::TimedLong)
//   static const char* name();                        "TimedLong"
//   static const char* description();                 "a 32-bit integer"
//   static bool parse(const std::string&, Sample&);   sets Sample::data; false when not a value
//   static std::string format(const Sample&);         Sample::data as text
// TypeCodeCodec adds, for traits that can tell why a text is no value:
//   static bool explain(const std::string&, Sample&, std::string& error);
#pragma once

#include "client/SampleCodec.h"

#include <rtm/InPort.h>
#include <rtm/OutPort.h>

namespace rtctl
{
  namespace sampletime
  {
    // A sample's time stamp, for types that have one; the plain structs of the middleware (Pose2D,
    // CameraInfo, ...) travel on ports too, unstamped.
    template <class Sample>
    auto set(Sample& sample, const RTC::Time& stamp, int) -> decltype(sample.tm = stamp, void())
    {
      sample.tm = stamp;
    }
    template <class Sample>
    void set(Sample&, const RTC::Time&, long)
    {}

    template <class Sample>
    auto get(const Sample& sample, int) -> decltype(RTC::Time(sample.tm))
    {
      return sample.tm;
    }
    template <class Sample>
    RTC::Time get(const Sample&, long)
    {
      return RTC::Time();
    }
  }

  template <class Traits>
  class TypedWriter : public SampleWriter
  {
  public:
    explicit TypedWriter(const char* name) : m_sample(), m_port(name, m_sample) {}
    RTC::PortBase& port() override { return m_port; }
    bool parse(const std::string& text) override
    {
      typename Traits::Sample next = m_sample;
      if (!Traits::parse(text, next))
        return false;
      m_sample = next;
      return true;
    }
    bool write(const RTC::Time& stamp) override
    {
      sampletime::set(m_sample, stamp, 0);
      return m_port.write();
    }

  private:
    typename Traits::Sample m_sample;
    RTC::OutPort<typename Traits::Sample> m_port;
  };

  template <class Traits>
  class TypedReader : public SampleReader
  {
  public:
    explicit TypedReader(const char* name) : m_sample(), m_port(name, m_sample) {}
    RTC::PortBase& port() override { return m_port; }
    bool take(std::string& value, RTC::Time& stamp) override
    {
      // isNew first: read() alone would hand the last sample again once the buffer is empty.
      if (!m_port.isNew() || !m_port.read())
        return false;
      value = Traits::format(m_sample);
      stamp = sampletime::get(m_sample, 0);
      return true;
    }

  private:
    typename Traits::Sample m_sample;
    RTC::InPort<typename Traits::Sample> m_port;
  };

  template <class Traits>
  class TypedCodec : public SampleCodec
  {
  public:
    const char* typeName() const override { return Traits::name(); }
    const char* valueDescription() const override { return Traits::description(); }
    bool accepts(const std::string& text) const override
    {
      typename Traits::Sample sample;
      return Traits::parse(text, sample);
    }
    std::string normalise(const std::string& text) const override
    {
      typename Traits::Sample sample;
      return Traits::parse(text, sample) ? Traits::format(sample) : std::string();
    }
    std::unique_ptr<SampleWriter> makeWriter(const char* portName) const override
    {
      return std::unique_ptr<SampleWriter>(new TypedWriter<Traits>(portName));
    }
    std::unique_ptr<SampleReader> makeReader(const char* portName) const override
    {
      return std::unique_ptr<SampleReader>(new TypedReader<Traits>(portName));
    }
  };

  // A TypedCodec whose refusals say which field was wrong and what it expected.
  template <class Traits>
  class TypeCodeCodec : public TypedCodec<Traits>
  {
  public:
    std::string rejection(const std::string& text) const override
    {
      typename Traits::Sample sample;
      std::string error;
      if (Traits::explain(text, sample, error))
        return TypedCodec<Traits>::rejection(text);
      return "'" + text + "' is not a " + Traits::name() + " value: " + error;
    }
  };
}
