#pragma once

namespace testsupport
{

  // A loopback port that nothing listens on: bound and closed again at once, so a connection to it
  // is refused (an address where no service runs).
  int closedPort();

}  // namespace testsupport
