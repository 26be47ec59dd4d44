#include "CorbaText.h"

#include <omniORB4/minorCode.h>

#include <sstream>

namespace rtctl
{
  std::string CorbaText::exception(const CORBA::Exception& e)
  {
    const std::string name = e._name();
    if (CORBA::TIMEOUT::_downcast(&e) != nullptr)
      return "did not answer in time (TIMEOUT)";
    if (CORBA::TRANSIENT::_downcast(&e) != nullptr || CORBA::COMM_FAILURE::_downcast(&e) != nullptr)
      return "is not reachable (" + name + ")";
    if (CORBA::OBJECT_NOT_EXIST::_downcast(&e) != nullptr)
      return "no longer exists (OBJECT_NOT_EXIST)";
    if (CORBA::BAD_PARAM::_downcast(&e) != nullptr || CORBA::INV_OBJREF::_downcast(&e) != nullptr)
      return "is not a valid address (" + name + ")";
    return "failed (" + name + ")";
  }

  std::string CorbaText::returnCode(RTC::ReturnCode_t code)
  {
    switch (code)
    {
    case RTC::RTC_OK: return "RTC_OK";
    case RTC::RTC_ERROR: return "RTC_ERROR";
    case RTC::BAD_PARAMETER: return "BAD_PARAMETER";
    case RTC::UNSUPPORTED: return "UNSUPPORTED";
    case RTC::OUT_OF_RESOURCES: return "OUT_OF_RESOURCES";
    case RTC::PRECONDITION_NOT_MET: return "PRECONDITION_NOT_MET";
    default: return "return code " + std::to_string(static_cast<int>(code));
    }
  }

  std::string CorbaText::state(RTC::LifeCycleState state)
  {
    switch (state)
    {
    case RTC::CREATED_STATE: return "Created";
    case RTC::INACTIVE_STATE: return "Inactive";
    case RTC::ACTIVE_STATE: return "Active";
    case RTC::ERROR_STATE: return "Error";
    default: return "Unknown";
    }
  }

  std::string CorbaText::kind(RTC::ExecutionKind kind)
  {
    switch (kind)
    {
    case RTC::PERIODIC: return "PERIODIC";
    case RTC::EVENT_DRIVEN: return "EVENT_DRIVEN";
    case RTC::OTHER: return "OTHER";
    default: return "UNKNOWN";
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
