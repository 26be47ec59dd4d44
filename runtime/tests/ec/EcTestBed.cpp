#include "EcTestBed.h"

#include "testsupport/NamingClient.h"
#include "RecordingCallbacks.h"

#include <cctype>
#include <cstdint>
#include <vector>

namespace ectest
{

  PortableServer::POA_ptr rootPoa()
  {
    CORBA::Object_var obj = testsupport::testOrb()->resolve_initial_references("RootPOA");
    return PortableServer::POA::_narrow(obj.in());
  }

  std::string iorTypeId(CORBA::Object_ptr obj)
  {
    CORBA::String_var text = testsupport::testOrb()->object_to_string(obj);
    const std::string ior(text.in());
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 4; i + 1 < ior.size(); i += 2)
    {
      bytes.push_back(static_cast<std::uint8_t>(std::stoi(ior.substr(i, 2), nullptr, 16)));
    }
    // Encapsulation: byte-order octet, padding to 4, then the type_id as a CDR string.
    if (bytes.size() < 8)
    {
      return "";
    }
    const bool little = bytes[0] != 0;
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i)
    {
      const std::uint32_t b = bytes[4 + (little ? i : 3 - i)];
      length |= b << (8 * i);
    }
    if (length == 0 || 8 + length > bytes.size())
    {
      return "";
    }
    return std::string(bytes.begin() + 8, bytes.begin() + 8 + length - 1);  // without the NUL
  }

  ContextWithOwner::ContextWithOwner()
  {
    owner = RTC::RTObject::_unchecked_narrow(ownerObject.ref());
    PortableServer::POA_var poa = rootPoa();
    sut = new rtm::PeriodicExecutionContext(poa.in());
    sut->set_rate(1000.0);
    sut->bindOwner(std::make_unique<RecordingCallbacks>(log), owner.in());
    ec = sut->getObjRef();
  }

  ContextWithOwner::~ContextWithOwner() { sut->destroy(); }

  RTC::LifeCycleState ContextWithOwner::ownerState() { return ec->get_component_state(owner.in()); }

  bool ContextWithOwner::waitForOwnerState(RTC::LifeCycleState state)
  {
    return testsupport::waitUntil([&] { return ownerState() == state; }, std::chrono::seconds(10),
                                  std::chrono::milliseconds(1));
  }

  void ContextWithOwner::startActive()
  {
    ASSERT_EQ(RTC::RTC_OK, ec->start());
    ASSERT_EQ(RTC::RTC_OK, ec->activate_component(owner.in()));
    // Not the state: a component scripted to fail may be ACTIVE for too short a time to be seen.
    ASSERT_TRUE(log->waitForCount("on_activated", 1));
  }

}  // namespace ectest
