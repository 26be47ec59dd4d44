#include "component/ComponentEventListener.h"

namespace rtm
{
  ComponentEventListener::~ComponentEventListener() = default;
}
