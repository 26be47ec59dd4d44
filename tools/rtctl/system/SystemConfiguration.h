// A component's configuration sets against those a system file saved: restoring them (values
// set, missing sets added, then the saved set activated) and telling how they differ.
#pragma once

#include "system/LiveSystem.h"

#include <rtm/idl/SDOPackage.hh>

#include <string>
#include <vector>

namespace rtctl
{
  class SystemConfiguration
  {
  public:
    explicit SystemConfiguration(const LiveSystem::Member& member);

    // True when the file saved anything to restore on this component.
    bool saved() const;
    // Throws Error when restoring could not work: the set to activate is neither in the file
    // nor on the component.
    void checkRestorable() const;
    // Sets the saved values, adds the sets the component lacks, activates the saved set;
    // returns the step's line. Throws Error when the component refuses.
    std::string restore() const;
    // One line for each difference; none when the component has what the file saved.
    std::vector<std::string> differences() const;

  private:
    SDOPackage::ConfigurationSetList* liveSets() const;
    static const SDOPackage::ConfigurationSet* find(const SDOPackage::ConfigurationSetList& sets,
                                                    const std::string& id);

    const LiveSystem::Member& m_member;
    SDOPackage::Configuration_var m_configuration;
  };
}
