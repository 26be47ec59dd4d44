#include "Preconnect.h"

#include <coil/stringutil.h>

#include <utility>

namespace rtm::config {

namespace {

const char* const kPrefix = "dataport.";
const std::pair<const char*, const char*> kDefaults[] = {{"dataport.dataflow_type", "push"},
                                                         {"dataport.interface_type", "corba_cdr"}};

std::vector<std::string> splitOutsideParentheses(const std::string& value)
{
    std::vector<std::string> entries(1);
    int depth = 0;
    for (char c : value) {
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        if (c == ',' && depth <= 0) {
            entries.emplace_back();
        } else {
            entries.back() += c;
        }
    }
    return entries;
}

// "Comp.port" into the component's instance name and the port's full name; false if either is
// missing.
bool splitPort(const std::string& text, std::string& component, std::string& port)
{
    const auto dot = text.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == text.size()) {
        return false;
    }
    component = text.substr(0, dot);
    port = text;
    return true;
}

// Returns why the entry is malformed, or "" with `out` filled.
std::string parseEntry(const std::string& entry, Preconnection& out)
{
    std::string ports = entry;
    std::string options;
    const auto open = entry.find('(');
    if (open != std::string::npos) {
        const auto close = entry.rfind(')');
        if (close == std::string::npos || close < open) {
            return "'(' without ')'";
        }
        std::string rest = entry.substr(close + 1);
        coil::eraseBothEndsBlank(rest);
        if (!rest.empty()) {
            return "text after ')'";
        }
        ports = entry.substr(0, open);
        options = entry.substr(open + 1, close - open - 1);
    }
    const coil::vstring sides = coil::split(ports, ":");
    if (sides.size() != 2 || !splitPort(sides[0], out.component0, out.port0) ||
        !splitPort(sides[1], out.component1, out.port1)) {
        return "expected Comp0.port0:Comp1.port1";
    }
    for (const std::string& pair : coil::split(options, "&", true)) {
        const auto equals = pair.find('=');
        std::string key = pair.substr(0, equals);
        coil::eraseBothEndsBlank(key);
        if (equals == std::string::npos || key.empty()) {
            return "option '" + pair + "' is not key=value";
        }
        std::string value = pair.substr(equals + 1);
        coil::eraseBothEndsBlank(value);
        out.properties.setProperty(key.rfind(kPrefix, 0) == 0 ? key : kPrefix + key, value);
    }
    for (const auto& [key, value] : kDefaults) {
        if (out.properties.getProperty(key).empty()) {
            out.properties.setProperty(key, value);
        }
    }
    return {};
}

}  // namespace

PreconnectList parsePreconnect(const std::string& value)
{
    PreconnectList list;
    for (std::string entry : splitOutsideParentheses(value)) {
        coil::eraseBothEndsBlank(entry);
        if (entry.empty()) {
            continue;
        }
        Preconnection connection;
        connection.text = entry;
        const std::string problem = parseEntry(entry, connection);
        if (problem.empty()) {
            list.connections.push_back(connection);
        } else {
            list.errors.push_back("malformed preconnect entry '" + entry + "': " + problem);
        }
    }
    return list;
}

}  // namespace rtm::config
