// conf: a component's configuration sets as the SDO Configuration object holds them: list them,
// change a value in one and make it apply, or make another set the active one.
#pragma once

#include "client/Arguments.h"
#include "client/Command.h"
#include "client/ComponentRef.h"

#include <rtm/idl/SDOPackage.hh>

#include <string>
#include <vector>

namespace rtctl
{
  class ConfCommand : public Command
  {
  public:
    const char* name() const override { return "conf"; }
    const char* summary() const override
    {
      return "list a component's configuration sets, set a value, activate a set";
    }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;

  private:
    // The verbs, run with the active set's id ("" while none is) and the command line.
    void list(const ComponentRef& component, SDOPackage::Configuration_ptr configuration, const std::string& active,
              const Arguments& args) const;
    // Into the set -s names, else the active one.
    void set(const ComponentRef& component, SDOPackage::Configuration_ptr configuration, const std::string& active,
             const Arguments& args) const;
    void activate(const ComponentRef& component, SDOPackage::Configuration_ptr configuration, const std::string& active,
                  const Arguments& args) const;
    // The id of the active set, or "" while none is (values changed since the last activation).
    std::string activeSet(const ComponentRef& component, SDOPackage::Configuration_ptr configuration) const;
    SDOPackage::ConfigurationSetList* allSets(const ComponentRef& component,
                                              SDOPackage::Configuration_ptr configuration) const;
    // One line on standard error when `key` is none of the component's parameters.
    void warnIfNoParameter(const ComponentRef& component, SDOPackage::Configuration_ptr configuration,
                           const std::string& setId, const std::string& key) const;
    // Error naming the set when the component has none of that id, listing those it has.
    void requireSet(const ComponentRef& component, SDOPackage::Configuration_ptr configuration,
                    const std::string& setId) const;
  };
}
