#include "transport/SampleQueue.h"

#include "log/Warning.h"

#include <climits>
#include <cstring>

namespace rtm
{
  namespace
  {
    const char* writePolicyName(WritePolicy policy)
    {
      switch (policy)
      {
        case WritePolicy::DoNothing:
          return "do_nothing";
        case WritePolicy::Block:
          return "block";
        default:
          return "overwrite";
      }
    }

    const char* readPolicyName(ReadPolicy policy)
    {
      switch (policy)
      {
        case ReadPolicy::DoNothing:
          return "do_nothing";
        case ReadPolicy::Block:
          return "block";
        default:
          return "readback";
      }
    }

    bool sameOptions(const RingBufferOptions& a, const RingBufferOptions& b)
    {
      return a.length == b.length && a.writePolicy == b.writePolicy && a.writeTimeout == b.writeTimeout &&
             a.readPolicy == b.readPolicy && a.readTimeout == b.readTimeout;
    }
  }

  bool decodeSample(const SampleOps& ops, const CORBA::Octet* data, std::size_t length, ByteOrder order,
                    void* sample) noexcept
  {
    if (length > static_cast<std::size_t>(INT_MAX) || (data == nullptr && length != 0))
      return false;
    try
    {
      detail::CdrMemoryStream in(data, length);
      in.setByteSwapFlag(order == ByteOrder::Little);
      ops.unmarshal(sample, in);
      // A sample never ends in padding: octets left over mean the peer sent another type.
      return in.unreadOctets() == 0;
    }
    catch (...)
    {
      // A sample cut short or malformed (MARSHAL) is the peer's, answered as one of another type.
      return false;
    }
  }

  SampleQueue::SampleQueue(const SampleOps& ops) : m_ops(ops), m_scratch(ops) {}

  OpenRTM::PortStatus SampleQueue::putCdr(const CORBA::Octet* data, std::size_t length, ByteOrder order)
  {
    std::lock_guard<std::mutex> lock(m_decodeMutex);
    // omniORB aligns by address; a buffer it allocated always is 8-aligned, anything else is
    // decoded from an aligned copy.
    if (reinterpret_cast<std::uintptr_t>(data) % 8 != 0)
    {
      m_aligned.resize((length + 7) / 8);
      std::memcpy(m_aligned.data(), data, length);
      data = reinterpret_cast<const CORBA::Octet*>(m_aligned.data());
    }
    // A slot the buffer had not used yet comes back empty from the swap below.
    if (m_scratch.empty())
    {
      SampleSlot fresh(m_ops);
      swap(m_scratch, fresh);
    }
    if (!decodeSample(m_ops, data, length, order, m_scratch.get()))
    {
      if (!m_warnedUndecodable)
        warn(std::string("dropped a sample of ") + std::to_string(length) + " octets that is no " + m_ops.typeId() +
             " (a peer of another data type?); later ones are dropped without a word");
      m_warnedUndecodable = true;
      return OpenRTM::PORT_ERROR;
    }
    // The decoded sample goes into the buffer as it is; the slot it replaces becomes the next
    // scratch, so a large sample is copied once (by the decode), not twice.
    switch (m_ring.writeSwapping(m_scratch))
    {
      case BufferStatus::OK:
        return OpenRTM::PORT_OK;
      case BufferStatus::FULL:
        return OpenRTM::BUFFER_FULL;
      case BufferStatus::TIMEOUT:
        return OpenRTM::BUFFER_TIMEOUT;
      default:
        return OpenRTM::UNKNOWN_ERROR;
    }
  }

  bool SampleQueue::readInto(void* sample)
  {
    SampleSlot target(m_ops, sample);
    return m_ring.read(target) == BufferStatus::OK;
  }

  std::size_t SampleQueue::readable() const { return m_ring.readable(); }

  void SampleQueue::configure(const std::function<std::string(const std::string&)>& lookup)
  {
    std::lock_guard<std::mutex> lock(m_optionsMutex);
    const RingBufferOptions current = m_options;
    const auto withCurrent = [&](const std::string& key) -> std::string {
      std::string given = lookup(key);
      if (!given.empty())
        return given;
      if (key == "buffer.length")
        return std::to_string(current.length);
      if (key == "buffer.write.full_policy")
        return writePolicyName(current.writePolicy);
      if (key == "buffer.read.empty_policy")
        return readPolicyName(current.readPolicy);
      if (key == "buffer.write.timeout")
        return std::to_string(current.writeTimeout);
      if (key == "buffer.read.timeout")
        return std::to_string(current.readTimeout);
      return "";
    };
    const RingBufferOptions next = readRingBufferOptions(withCurrent);
    // The buffer can only take new options by starting afresh; keep the data when nothing
    // changes.
    if (!lookup("buffer.length").empty() || !sameOptions(next, current))
    {
      m_options = next;
      m_ring.reset(next);
    }
  }

  RingBufferOptions SampleQueue::options() const
  {
    std::lock_guard<std::mutex> lock(m_optionsMutex);
    return m_options;
  }

  void SampleQueue::wakeAll() { m_ring.wakeAll(); }
}
