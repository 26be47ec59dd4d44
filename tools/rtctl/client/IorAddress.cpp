#include "client/IorAddress.h"

#include "client/ValueText.h"

#include <omniORB4/IIOP.h>
#include <omniORB4/cdrStream.h>

#include <vector>

namespace rtctl
{
  namespace
  {}

  std::string IorAddress::of(CORBA::ORB_ptr orb, CORBA::Object_ptr obj)
  {
    const Decoded d = decode(orb, obj);
    if (!d.found)
      return std::string();
    return d.host + ":" + std::to_string(d.port == 0 && d.tlsPort != 0 ? d.tlsPort : d.port);
  }

  bool IorAddress::tlsOnly(CORBA::ORB_ptr orb, CORBA::Object_ptr obj)
  {
    const Decoded d = decode(orb, obj);
    return d.found && d.port == 0 && d.tlsPort != 0;
  }

  IorAddress::Decoded IorAddress::decode(CORBA::ORB_ptr orb, CORBA::Object_ptr obj)
  {
    Decoded out;
    if (CORBA::is_nil(obj))
      return out;
    try
    {
      CORBA::String_var text = orb->object_to_string(obj);
      const std::string ior = static_cast<const char*>(text);
      const std::string::size_type prefix = 4;  // "IOR:"
      if (ior.compare(0, prefix, "IOR:") != 0 || (ior.size() - prefix) % 2 != 0)
        return out;
      std::vector<CORBA::Octet> octets;
      for (std::string::size_type i = prefix; i < ior.size(); i += 2)
      {
        const int high = ValueText::hexDigit(ior[i]);
        const int low = ValueText::hexDigit(ior[i + 1]);
        if (high < 0 || low < 0)
          return out;
        octets.push_back(static_cast<CORBA::Octet>(high * 16 + low));
      }
      // A stringified reference is a CDR encapsulation: byte order first, then the IOR.
      cdrMemoryStream stream(octets.data(), octets.size());
      const CORBA::Boolean littleEndian = stream.unmarshalBoolean();
      stream.setByteSwapFlag(littleEndian);
      IOP::IOR decoded;
      decoded.type_id = IOP::IOR::unmarshaltype_id(stream);
      decoded.profiles <<= stream;
      for (CORBA::ULong i = 0; i < decoded.profiles.length(); ++i)
      {
        if (decoded.profiles[i].tag != IOP::TAG_INTERNET_IOP)
          continue;
        IIOP::ProfileBody body;
        IIOP::unmarshalProfile(decoded.profiles[i], body);
        out.host = static_cast<const char*>(body.address.host);
        out.port = body.address.port;
        out.found = true;
        for (CORBA::ULong c = 0; c < body.components.length(); ++c)
        {
          if (body.components[c].tag != IOP::TAG_SSL_SEC_TRANS)
            continue;
          // An encapsulation of {supports, requires, port}, each an unsigned short.
          cdrEncapsulationStream ssl(body.components[c].component_data, true);
          CORBA::UShort supports, requires;
          supports <<= ssl;
          requires <<= ssl;
          out.tlsPort <<= ssl;
        }
        return out;
      }
    }
    catch (const CORBA::SystemException&)
    {
      // A reference the ORB cannot take apart has no address to show.
    }
    return Decoded();
  }
}
