#include "transport/PeerHealth.h"

#include <omniORB4/IIOP.h>
#include <omniORB4/omniIOR.h>
#include <omniORB4/omniObjRef.h>

#include <map>
#include <mutex>

namespace rtm
{
  std::string peerAddressOf(CORBA::Object_ptr ref)
  {
    if (CORBA::is_nil(ref))
      return std::string();
    omniIOR* ior = ref->_PR_getobj()->_getIOR();
    std::string address;
    try
    {
      const IOP::TaggedProfileList& profiles = ior->iopProfiles();
      for (CORBA::ULong i = 0; i < profiles.length() && address.empty(); ++i)
      {
        if (profiles[i].tag != IOP::TAG_INTERNET_IOP)
          continue;
        IIOP::ProfileBody body;
        IIOP::unmarshalProfile(profiles[i], body);
        address = std::string(body.address.host.in()) + ":" + std::to_string(body.address.port);
      }
    }
    catch (const CORBA::SystemException&)
    {
      // A profile that does not decode gives no address: the reference has no record to share.
      address.clear();
    }
    ior->release();
    return address;
  }

  std::shared_ptr<PeerHealth> peerHealthOf(CORBA::Object_ptr ref)
  {
    const std::string address = peerAddressOf(ref);
    if (address.empty())
      return nullptr;
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<PeerHealth>> known;
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = known.begin(); it != known.end();)
      it = it->second.expired() ? known.erase(it) : std::next(it);
    std::shared_ptr<PeerHealth> health = known[address].lock();
    if (!health)
    {
      health = std::make_shared<PeerHealth>();
      known[address] = health;
    }
    return health;
  }

  bool meansUnreachable(const CORBA::SystemException& e) noexcept
  {
    // omniORB reports a call timeout and a refused connection as TRANSIENT, a connection that
    // broke during the call as COMM_FAILURE.
    return CORBA::TRANSIENT::_downcast(&e) != nullptr || CORBA::COMM_FAILURE::_downcast(&e) != nullptr ||
           CORBA::TIMEOUT::_downcast(&e) != nullptr;
  }
}
