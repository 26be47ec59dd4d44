// A growable memory stream in which rtctl turns text into a sample and back, through CDR.
//
// Strings need the stream's code-set converters, which omniORB fills in only at ORB_init (and
// never for a bare memory stream): without them marshalling a string would crash. These are the
// ORB's defaults, ISO-8859-1 and UTF-16, as GIOP 1.2 carries them.
#pragma once

#include <omniORB4/CORBA.h>
#include <omniORB4/codeSets.h>

namespace rtctl
{
  class ScratchCdrStream : public cdrMemoryStream
  {
  public:
    ScratchCdrStream() : cdrMemoryStream(0, true)
    {
      using omni::omniCodeSet;
      const GIOP::Version giop12 = {1, 2};
      pd_ncs_c = omniCodeSet::getNCS_C(omniCodeSet::ID_8859_1);
      pd_tcs_c = omniCodeSet::getTCS_C(omniCodeSet::ID_8859_1, giop12);
      pd_ncs_w = omniCodeSet::getNCS_W(omniCodeSet::ID_UTF_16);
      pd_tcs_w = omniCodeSet::getTCS_W(omniCodeSet::ID_UTF_16, giop12);
    }
    ScratchCdrStream(const ScratchCdrStream&) = delete;
    ScratchCdrStream& operator=(const ScratchCdrStream&) = delete;
  };
}
