#include <rtm/SampleOps.h>

namespace rtm
{
  SampleOps::~SampleOps() = default;
}
