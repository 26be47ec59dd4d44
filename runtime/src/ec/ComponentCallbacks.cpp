#include "ec/ComponentCallbacks.h"

namespace rtm
{
  ComponentCallbacks::~ComponentCallbacks() = default;
}
