// What any client may bind in a naming service, besides a running component: the root bound
// inside its own child `loop` and `loop` inside itself (`loop/up`, `loop/back`), contexts named
// "a/b", ".." and "\xff" each hiding another binding of the component as hidden.rtc, a plain
// context named fake.rtc and dead.rtc, a component reference whose process is gone.
#pragma once

#include "testsupport/NameServer.h"

#include <string>

namespace e2e
{
  // `componentPath`: a bound component ("vm.host_cxt/Trimul0.rtc"). Throws a CORBA exception
  // when the naming service refuses a binding.
  void bindOddNamingGraph(testsupport::NameServer& ns, const std::string& componentPath);
}
