// The receiving end of an input port: octets from any of its connections are decoded and
// validated here, queued in the port's one ring buffer, and copied out into the component's
// sample when it reads. Samples that do not decode to the port's type never reach the buffer.
#pragma once

#include "transport/CdrCodec.h"
#include "transport/RingBuffer.h"
#include "transport/SampleSlot.h"

#include <rtm/detail/SampleOps.h>
#include <rtm/idl/DataPort.hh>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace rtm
{
  class SampleQueue
  {
  public:
    explicit SampleQueue(const SampleOps& ops);
    SampleQueue(const SampleQueue&) = delete;
    SampleQueue& operator=(const SampleQueue&) = delete;

    // The status a put() answers the peer with. Its callers, the CDR servant's put and the input
    // port's isNew and read, each guard their boundary, so a fault here reaches one guard only.
    OpenRTM::PortStatus putCdr(const CORBA::Octet* data, std::size_t length, ByteOrder order);
    // Fills `sample` (of the port's type) by the buffer's read policy; false if nothing to read.
    bool readInto(void* sample);
    std::size_t readable() const;

    // Applies a new connection's "buffer.*" options (`lookup` returns "" for absent keys). Keys
    // the connection does not give keep their current values; a given length, or any change,
    // starts the buffer afresh.
    void configure(const std::function<std::string(const std::string&)>& lookup);
    RingBufferOptions options() const;
    // Releases a reader or writer blocked by a "block" policy.
    void wakeAll();

  private:
    const SampleOps& m_ops;
    RingBuffer<SampleSlot> m_ring;

    std::mutex m_decodeMutex;  // guards the scratch space of putCdr
    SampleSlot m_scratch;
    std::vector<std::uint64_t> m_aligned;
    // A peer that sends another type sends it at every write: the person running the program
    // hears of it once, the peer at every put (PORT_ERROR).
    bool m_warnedUndecodable = false;

    mutable std::mutex m_optionsMutex;
    RingBufferOptions m_options;
  };

  // Decodes exactly one sample of `ops`' type into `sample`; false if the octets are anything
  // else (too short, too long, malformed). `data` must be 8-aligned.
  bool decodeSample(const SampleOps& ops, const CORBA::Octet* data, std::size_t length, ByteOrder order,
                    void* sample) noexcept;
}
