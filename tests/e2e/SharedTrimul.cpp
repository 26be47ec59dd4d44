#include "SharedTrimul.h"

namespace e2e
{
  testsupport::NameServer* SharedTrimul::ns = nullptr;
  TrimulProcess* SharedTrimul::trimul = nullptr;

  void SharedTrimul::SetUpTestSuite()
  {
    ns = new testsupport::NameServer;
    trimul = new TrimulProcess(*ns);
  }

  void SharedTrimul::TearDownTestSuite()
  {
    delete trimul;
    trimul = nullptr;
    delete ns;
    ns = nullptr;
  }
}
