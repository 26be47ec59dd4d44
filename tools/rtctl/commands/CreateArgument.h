// What `mgr create` hands to a manager's create_component, checked first:
//
//   Trimul                                 a component type (its implementation id)
//   RTC:VENDOR:CATEGORY:IMPLEMENTATION:VERSION    the same, narrowed; empty fields match any
//   ...?instance_name=fast&exec_cxt.periodic.rate=200    properties of the new instance
//
// A manager silently drops a property that is not exactly KEY=VALUE, and fails a text with two
// '?' without saying why; refusing those here keeps a user's setting from vanishing unseen.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace rtctl
{
  class CreateArgument
  {
  public:
    // Throws UsageError naming what is wrong.
    static CreateArgument parse(const std::string& text);

    const std::string& text() const { return m_text; }
    // The implementation id asked for ("Trimul").
    const std::string& implementationId() const { return m_implementationId; }
    const std::vector<std::pair<std::string, std::string>>& properties() const { return m_properties; }
    // The value of ?instance_name=, or "".
    std::string instanceName() const;

  private:
    std::string m_text;
    std::string m_implementationId;
    std::vector<std::pair<std::string, std::string>> m_properties;
  };
}
