// One naming service and one TrimulComp for a whole test suite, for tests that leave the
// component as they found it.
#pragma once

#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/Paths.h"

#include <gtest/gtest.h>

namespace e2e
{
  class SharedTrimul : public ::testing::Test
  {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    static testsupport::NameServer* ns;
    static TrimulProcess* trimul;
    Rtctl rtctl{ns->address()};
    const std::string host = testsupport::hostName();
  };
}
