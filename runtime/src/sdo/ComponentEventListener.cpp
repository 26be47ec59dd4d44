#include "sdo/ComponentEventListener.h"

namespace rtm
{
  ComponentEventListener::~ComponentEventListener() = default;
}
