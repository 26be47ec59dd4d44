// CdrCodec.h -- one data-port sample <-> the octets of an OpenRTM::CdrData.
//
// The payload of InPortCdr::put / OutPortCdr::get is a bare CDR stream: no encapsulation header,
// no byte-order octet, alignment counted from its first octet. Peers built on the 1.1 middleware
// always send little-endian in push mode, so that is what we send; the receiver decodes in the
// order its connector negotiated ("serializer.cdr.endian", little unless the profile says big).
//
// The codec works for any IDL-generated type T, through the member operators omniidl generates:
// `void operator>>=(cdrStream&) const` and `void operator<<=(cdrStream&)`.
#pragma once

#include <omniORB4/CORBA.h>
#include <omniORB4/codeSets.h>
#include <rtm/idl/BasicDataType.hh>  // before repositoryId(), which must see their Any operators
#include <rtm/idl/DataPort.hh>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace rtm
{

  enum class ByteOrder
  {
    Little,
    Big
  };

  namespace detail
  {

    inline std::string trimmedLower(const std::string& text)
    {
      const auto isBlank = [](unsigned char c) { return std::isspace(c) != 0; };
      const auto first = std::find_if_not(text.begin(), text.end(), isBlank);
      const auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
      std::string word = first < last ? std::string(first, last) : std::string();
      std::transform(word.begin(), word.end(), word.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      return word;
    }

  }  // namespace detail

  // Reads the value of "serializer.cdr.endian" ("little,big", "big", ...): the first token decides.
  // A blank value counts as little; deciding what an absent key means is the caller's business.
  inline bool parseEndianOption(const std::string& value, ByteOrder& out)
  {
    const std::string first = detail::trimmedLower(value.substr(0, value.find(',')));
    if (first == "little" || detail::trimmedLower(value).empty())
    {
      out = ByteOrder::Little;
      return true;
    }
    if (first == "big")
    {
      out = ByteOrder::Big;
      return true;
    }
    return false;
  }

  namespace detail
  {

    // A memory stream that is safe to point at octets a peer sent us.
    //
    // omniORB checks a sequence's claimed length with a 32-bit `itemSize * nItems`, so a hostile
    // count (say 0x20000001 doubles) wraps round to a few octets, passes, and the sequence then
    // allocates gigabytes before reading fails. The override redoes that check without overflow and
    // also refuses more elements than octets remain, since no element is smaller than one octet.
    //
    // Strings need the stream's code-set converters, which omniORB only fills in at ORB_init; before
    // that they are null and marshalling a string would crash. The ORB's choice is kept when there is
    // one; otherwise we use its defaults (ISO-8859-1 and UTF-16, as GIOP 1.2 transmits them).
    class CdrMemoryStream final : public cdrMemoryStream
    {
    public:
      // An empty, growable stream to marshal into, zeroed now and wherever it grows.
      CdrMemoryStream() : cdrMemoryStream(0, true)
      {
        useDefaultCodeSetsIfUnset();
        // Room for the runs of the usual sample now, so that steady encoding allocates nothing.
        runs_.reserve(kUsualRuns);
        previousRuns_.reserve(kUsualRuns);
      }

      // A read-only view of `length` octets at `data` (8-aligned, or alignment would be wrong).
      CdrMemoryStream(const CORBA::Octet* data, std::size_t length)
        : cdrMemoryStream(const_cast<CORBA::Octet*>(data), length)  // only ever read
      {
        useDefaultCodeSetsIfUnset();
      }

      CdrMemoryStream(const CdrMemoryStream&) = delete;
      CdrMemoryStream& operator=(const CdrMemoryStream&) = delete;

      // Marshalling skips padding rather than writing it, so a reused buffer would send the previous
      // sample's octets as padding: what was written is zeroed before the next sample, keeping the
      // output deterministic. Not the long runs put_octet_array wrote (a sequence's elements):
      // zeroing them would cost a pass as long as the sample, and a sample whose runs lie where
      // the last one's did overwrites them whole (see sameShape).
      void restartOutput()
      {
        auto* octets = static_cast<CORBA::Octet*>(bufPtr());
        const std::size_t used = bufSize();
        std::size_t from = 0;
        for (const Run& run : runs_)
        {
          std::memset(octets + from, 0, run.start - from);
          from = run.start + run.size;
        }
        if (used > from)
          std::memset(octets + from, 0, used - from);
        previousRuns_.swap(runs_);
        runs_.clear();
        rewindPtrs();
      }

      // After a sample: false if its padding may hold octets of the one before, which kept runs
      // elsewhere. Then restartZeroed() and marshal it again.
      bool sameShape() const { return previousRuns_.empty() || runs_ == previousRuns_; }

      void restartZeroed()
      {
        const auto capacity = static_cast<std::size_t>(static_cast<char*>(pd_outb_end) - static_cast<char*>(bufPtr()));
        std::memset(bufPtr(), 0, std::max<std::size_t>(capacity, bufSize()));
        previousRuns_.clear();
        runs_.clear();
        rewindPtrs();
      }

      void put_octet_array(const CORBA::Octet* b, int size, omni::alignment_t align = omni::ALIGN_1) override
      {
        cdrMemoryStream::put_octet_array(b, size, align);
        if (size >= kLongRun && !readOnly())
          runs_.push_back(Run{bufSize() - static_cast<std::size_t>(size), static_cast<std::size_t>(size)});
      }

      std::size_t unreadOctets() const
      {
        const auto mark = reinterpret_cast<std::uintptr_t>(pd_inb_mkr);
        const auto end = reinterpret_cast<std::uintptr_t>(pd_inb_end);
        return end > mark ? end - mark : 0;
      }

      CORBA::Boolean checkInputOverrun(CORBA::ULong itemSize, CORBA::ULong nItems,
                                       omni::alignment_t align = omni::ALIGN_1) override
      {
        if (!readOnly())
        {
          return cdrMemoryStream::checkInputOverrun(itemSize, nItems, align);
        }
        const auto start = omni::align_to(reinterpret_cast<omni::ptr_arith_t>(pd_inb_mkr), align);
        const auto end = reinterpret_cast<omni::ptr_arith_t>(pd_inb_end);
        if (start > end)
        {
          return false;
        }
        const std::uint64_t available = end - start;
        return nItems <= available && std::uint64_t{itemSize} * nItems <= available;
      }

    private:
      // Octets written by one put_octet_array call, from the start of the buffer.
      struct Run
      {
        std::size_t start;
        std::size_t size;
        bool operator==(const Run& other) const { return start == other.start && size == other.size; }
      };
      // Shorter runs are zeroed with the rest: not worth remembering.
      static constexpr int kLongRun = 64;
      static constexpr std::size_t kUsualRuns = 8;

      std::vector<Run> runs_;  // of the sample being written
      std::vector<Run> previousRuns_;  // of the sample before it, still in the buffer

      void useDefaultCodeSetsIfUnset()
      {
        using omni::omniCodeSet;
        const GIOP::Version giop12 = {1, 2};
        if (pd_ncs_c == nullptr)
          pd_ncs_c = omniCodeSet::getNCS_C(omniCodeSet::ID_8859_1);
        if (pd_tcs_c == nullptr)
          pd_tcs_c = omniCodeSet::getTCS_C(omniCodeSet::ID_8859_1, giop12);
        if (pd_ncs_w == nullptr)
          pd_ncs_w = omniCodeSet::getNCS_W(omniCodeSet::ID_UTF_16);
        if (pd_tcs_w == nullptr)
          pd_tcs_w = omniCodeSet::getTCS_W(omniCodeSet::ID_UTF_16, giop12);
      }
    };

    // omniORB copies a boolean sequence's octets straight into bool storage, so an octet other than
    // 0 or 1 would make a bool with no valid value: undefined behaviour at its first read. A lone
    // boolean is already read as "nonzero is true"; this gives sequences the same rule, touching the
    // storage as octets so no invalid bool is ever read.
    template <class T>
    void normalizeBooleans(T&)
    {}

    inline void normalizeBooleans(RTC::TimedBooleanSeq& sample)
    {
      auto* octets = reinterpret_cast<unsigned char*>(sample.data.get_buffer());
      for (CORBA::ULong i = 0; i < sample.data.length(); ++i)
      {
        octets[i] = octets[i] != 0 ? 1 : 0;
      }
    }

  }  // namespace detail

  // Marshals samples of T one after another into the same buffer: after the first few samples
  // have grown it to size, encoding allocates nothing. Not thread-safe; one per writer.
  template <class T>
  class CdrEncoder
  {
  public:
    CdrEncoder() = default;
    // The CdrData handed out by toCdrData points into this object.
    CdrEncoder(const CdrEncoder&) = delete;
    CdrEncoder& operator=(const CdrEncoder&) = delete;

    // On failure (a value omniORB refuses to marshal, out of memory) the encoding is empty.
    bool encode(const T& sample, ByteOrder order = ByteOrder::Little) noexcept
    {
      try
      {
        stream_.restartOutput();
        // The flag says which order the octets are in (true: little-endian), not whether to swap.
        stream_.setByteSwapFlag(order == ByteOrder::Little);
        sample >>= stream_;
        if (!stream_.sameShape())
        {
          stream_.restartZeroed();
          stream_.setByteSwapFlag(order == ByteOrder::Little);
          sample >>= stream_;
        }
        return true;
      }
      catch (...)
      {
        // The caller reports the sample as not sent; what half-encoded is dropped.
        stream_.restartOutput();
        return false;
      }
    }

    const CORBA::Octet* data() const { return static_cast<const CORBA::Octet*>(stream_.bufPtr()); }
    std::size_t size() const { return stream_.bufSize(); }

    // Lends the encoded octets to `seq` for one put() call, without a copy: `seq` does not own them
    // and must not be used after the next encode() or after this encoder is gone.
    void toCdrData(OpenRTM::CdrData& seq)
    {
      const auto length = static_cast<CORBA::ULong>(size());
      seq.replace(length, length, const_cast<CORBA::Octet*>(data()), false);
    }

  private:
    detail::CdrMemoryStream stream_;
  };

  // Unmarshals exactly one T from `length` octets. Anything malformed -- too short, a length that
  // runs past the end, a string without its NUL, octets left over, anything omniORB throws --
  // gives false with `out` untouched. Never reads outside [data, data + length).
  template <class T>
  bool cdrDecode(const CORBA::Octet* data, std::size_t length, ByteOrder order, T& out) noexcept
  {
    // No IDL type encodes to nothing, and omniORB counts octets in an int.
    if (data == nullptr || length == 0 || length > static_cast<std::size_t>(INT_MAX))
    {
      return false;
    }
    try
    {
      // omniORB aligns by address, so alignment is right only if the first octet is 8-aligned.
      // Buffers omniORB allocates always are; anything else is decoded from an aligned copy.
      std::vector<std::uint64_t> aligned;
      if (reinterpret_cast<std::uintptr_t>(data) % 8 != 0)
      {
        aligned.resize((length + 7) / 8);
        std::memcpy(aligned.data(), data, length);
        data = reinterpret_cast<const CORBA::Octet*>(aligned.data());
      }

      detail::CdrMemoryStream in(data, length);
      in.setByteSwapFlag(order == ByteOrder::Little);
      T sample;
      sample <<= in;
      detail::normalizeBooleans(sample);
      // A sample never ends in padding, so a leftover octet means the peer sent something else.
      if (in.unreadOctets() != 0)
      {
        return false;
      }
      out = sample;
      return true;
    }
    catch (...)
    {
      // Octets cut short or malformed (MARSHAL) decode to nothing: the caller refuses them.
      return false;
    }
  }

  // The repository ID of T ("IDL:RTC/TimedLong:1.0"), for a port's "dataport.data_type".
  // omniORB has no compile-time map from a type to its TypeCode, but the Any insertion omniidl
  // generates for every type (-Wba) carries the generated TypeCode, so one Any gives it for any T.
  // Those operators live in the global namespace, out of reach of argument-dependent lookup, so a
  // type from another IDL file needs its header included before this one.
  template <class T>
  const char* repositoryId()
  {
    static const std::string id = [] {
      CORBA::Any any;
      any <<= T();
      const CORBA::TypeCode_var type = any.type();
      return std::string(type->id());
    }();
    return id.c_str();
  }

}  // namespace rtm
