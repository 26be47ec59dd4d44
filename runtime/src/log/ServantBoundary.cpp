#include "log/ServantBoundary.h"

#include <omniORB4/CORBA.h>

#include <exception>

namespace rtm
{
  std::string currentExceptionText()
  {
    try
    {
      throw;
    }
    catch (const CORBA::Exception& e)
    {
      return e._name();
    }
    catch (const std::exception& e)
    {
      return e.what();
    }
    catch (...)
    {
      return "an exception of unknown type";
    }
  }
}
