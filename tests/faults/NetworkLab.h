// Three hosts on one machine: network namespaces for the naming service, the component and a
// peer, each with one veth link to a bridge in a fourth namespace, on private addresses
// 10.200.0.0/24 that exist only inside these namespaces. All of it goes away with the object
// (deleting a namespace deletes the veth ends and the bridge inside it), even when a test fails.
#pragma once

#include <memory>
#include <string>

namespace faults
{
  enum class LabHost
  {
    Names = 1,
    Component = 2,
    Peer = 3
  };

  class NetworkLab
  {
  public:
    // Why the lab cannot be built on this machine (not root, no `ip`), or "" if it can.
    static std::string unavailableReason();

    // A lab, or null with the reason in `whyNot` (for a test to skip with).
    static std::unique_ptr<NetworkLab> make(std::string& whyNot);

    // Throws std::runtime_error with the failing command and its output; whatever was made by
    // then is removed first.
    NetworkLab();
    ~NetworkLab();
    NetworkLab(const NetworkLab&) = delete;
    NetworkLab& operator=(const NetworkLab&) = delete;

    std::string netns(LabHost host) const;
    std::string address(LabHost host) const;  // "10.200.0.N"

    // Takes the host's link down at the bridge (frames to and from it vanish, as with a pulled
    // cable) and brings it back.
    void cut(LabHost host);
    void restore(LabHost host);

  private:
    std::string switchNetns() const;
    std::string bridgePort(LabHost host) const;
    void removeAll();

    std::string m_prefix;
    bool m_made[4] = {false, false, false, false};  // the namespaces: switch, names, comp, peer
  };
}
