// Where an object reference points: the host and port of its first IIOP profile, read from the
// reference itself, so that it is right whatever the object's own configuration says. An object
// that takes TLS only publishes port 0 there and its real port in a TLS component.
#pragma once

#include <omniORB4/CORBA.h>

#include <string>

namespace rtctl
{
  class IorAddress
  {
  public:
    // "127.0.0.1:2810"; "" for a nil reference or one with no IIOP profile.
    static std::string of(CORBA::ORB_ptr orb, CORBA::Object_ptr obj);
    // Whether the reference offers TLS and no plain TCP address.
    static bool tlsOnly(CORBA::ORB_ptr orb, CORBA::Object_ptr obj);

  private:
    struct Decoded
    {
      std::string host;
      CORBA::UShort port = 0;
      CORBA::UShort tlsPort = 0;
      bool found = false;
    };
    static Decoded decode(CORBA::ORB_ptr orb, CORBA::Object_ptr obj);
  };
}
