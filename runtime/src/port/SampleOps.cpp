#include <rtm/detail/SampleOps.h>

namespace rtm
{
  SampleOps::~SampleOps() = default;
}
