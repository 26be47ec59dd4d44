#include "client/CorbaText.h"

#include "client/IorAddress.h"
#include "client/TlsOptions.h"

#include <omniORB4/minorCode.h>
#include <rtm/detail/OrbTls.h>
#include <rtm/detail/ReturnCodeName.h>

#include <sstream>

namespace rtctl
{
  namespace
  {
    const char* const kNoCertificate =
      "cannot be reached: it takes TLS only and rtctl has no certificate (give --ssl-ca and --ssl-key)";
  }

  std::string CorbaText::unreachable(const CORBA::Exception& e, CORBA::Object_ptr target, const std::string& hint)
  {
    const bool transport = CORBA::TRANSIENT::_downcast(&e) != nullptr || CORBA::COMM_FAILURE::_downcast(&e) != nullptr;
    if (transport && !TlsOptions::current().enabled())
    {
      // The process's one ORB: ORB_init with no arguments returns it.
      int argc = 0;
      CORBA::ORB_var orb = CORBA::ORB_init(argc, nullptr);
      if (IorAddress::tlsOnly(orb.in(), target))
        return kNoCertificate;
    }
    std::string text = exception(e);
    if (transport && text.find("TLS") != std::string::npos)
      return text;
    return text + "; " + hint;
  }

  std::string CorbaText::exception(const CORBA::Exception& e)
  {
    const std::string name = e._name();
    if (CORBA::TIMEOUT::_downcast(&e) != nullptr)
      return "did not answer in time (TIMEOUT)";
    if (CORBA::TRANSIENT::_downcast(&e) != nullptr || CORBA::COMM_FAILURE::_downcast(&e) != nullptr)
    {
      // The ORB says TRANSIENT for a refused handshake as for a host that is down: say which.
      const std::string refusal = rtm::OrbTls::lastRefusal();
      if (!refusal.empty())
        return "cannot be reached over TLS: " + refusal;
      // A plain connection to a TLS port is dropped at its first bytes.
      if (CORBA::COMM_FAILURE::_downcast(&e) != nullptr && !TlsOptions::current().enabled())
        return "is not reachable (COMM_FAILURE; if it takes TLS only, give rtctl --ssl-ca and --ssl-key)";
      return "is not reachable (" + name + ")";
    }
    if (CORBA::OBJECT_NOT_EXIST::_downcast(&e) != nullptr)
      return "no longer exists (OBJECT_NOT_EXIST)";
    if (CORBA::BAD_PARAM::_downcast(&e) != nullptr || CORBA::INV_OBJREF::_downcast(&e) != nullptr)
      return "is not a valid address (" + name + ")";
    return "failed (" + name + ")";
  }

  std::string CorbaText::returnCode(RTC::ReturnCode_t code) { return rtm::returnCodeName(code); }

  std::string CorbaText::state(RTC::LifeCycleState state)
  {
    switch (state)
    {
      case RTC::CREATED_STATE:
        return "Created";
      case RTC::INACTIVE_STATE:
        return "Inactive";
      case RTC::ACTIVE_STATE:
        return "Active";
      case RTC::ERROR_STATE:
        return "Error";
      default:
        return "Unknown";
    }
  }

  std::string CorbaText::kind(RTC::ExecutionKind kind)
  {
    switch (kind)
    {
      case RTC::PERIODIC:
        return "PERIODIC";
      case RTC::EVENT_DRIVEN:
        return "EVENT_DRIVEN";
      case RTC::OTHER:
        return "OTHER";
      default:
        return "UNKNOWN";
    }
  }

  std::string CorbaText::anyValue(const CORBA::Any& value)
  {
    const char* text = nullptr;
    if (value >>= text)
      return text;
    CORBA::TypeCode_var type = value.type();
    std::ostringstream out;
    out << "<";
    try
    {
      if (type->kind() == CORBA::tk_objref)
        out << "object " << type->id();
      else if (type->kind() == CORBA::tk_struct || type->kind() == CORBA::tk_alias)
        out << type->id();
      else
        out << "value of kind " << static_cast<int>(type->kind());
    }
    catch (const CORBA::Exception&)
    {
      out << "value";
    }
    out << ">";
    return out.str();
  }
}
