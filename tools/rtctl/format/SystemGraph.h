// A system as a Graphviz DOT picture: each component a record with its input ports on the left
// and its output ports on the right, coloured by its state; each data connection an edge from
// the output port to the input port, labelled with its subscription type. Managers, when known,
// are clusters around the components they hold, a master's slaves each a cluster inside it.
#pragma once

#include "client/ManagerCluster.h"
#include "client/SystemProfile.h"

#include <map>
#include <string>
#include <vector>

namespace rtctl
{
  class SystemGraph
  {
  public:
    // `states` by path URI ("Active", "Inactive", "Error", "Created", "Zombie"...); a component
    // without one is drawn without a state, as from a file alone. `title` may be empty.
    // A component of the profile that `managers` name is drawn inside its manager's cluster;
    // the others, and names the profile does not hold, outside any.
    static std::string dot(const SystemProfile& profile, const std::map<std::string, std::string>& states,
                           const std::string& title, const std::vector<ManagerCluster>& managers = {});

    // The fill colour for a state; white for no state.
    static const char* colour(const std::string& state);
    // Text made safe inside a record label field (its own escapes: braces, bars, angle
    // brackets, backslashes).
    static std::string recordText(const std::string& text);
    // A double-quoted DOT string of plain text (an id, an edge label); a line break in it
    // becomes one in the label.
    static std::string quoted(const std::string& text);
    // A double-quoted record label built from recordText() pieces.
    static std::string quotedRecord(const std::string& recordLabel);
  };
}
