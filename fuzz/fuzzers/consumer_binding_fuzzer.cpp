// Fuzz target: the connector profile properties a service port reads when a peer or a tool
// connects it, to find the provider each of its consumers is given.
//
// Input, split at NUL octets: the consumer's instance, port, type and name, then name/value pairs
// of the profile's properties.
//
// Beyond "no crash", what the port relies on:
//  - a reference is only ever a value that starts with "IOR:" and is the value of the key found;
//  - the outcome is one line to log;
//  - a consumer with a matching old-style key and no required key is always matched.
#include "Require.h"

#include "port/ConsumerBinding.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace
{
  // The list is sized once: growing it copies each Any, which marshals its string, and that needs
  // an initialised ORB's code sets, which this target has no use for otherwise.
  void setProperty(SDOPackage::NVList& nv, CORBA::ULong i, const std::string& name, const std::string& value)
  {
    nv[i].name = CORBA::string_dup(name.c_str());
    nv[i].value <<= value.c_str();
  }

  bool valueOf(const SDOPackage::NVList& nv, const std::string& name, std::string& value)
  {
    for (CORBA::ULong i = 0; i < nv.length(); ++i)
    {
      const char* text = nullptr;
      if (name == nv[i].name.in() && (nv[i].value >>= text))
      {
        value = text;
        return true;
      }
    }
    return false;
  }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < size; ++i)
  {
    if (data[i] == 0)
      fields.emplace_back();
    else
      fields.back() += static_cast<char>(data[i]);
  }
  fields.resize(std::max<std::size_t>(fields.size(), 4));
  SDOPackage::NVList properties;
  properties.length(static_cast<CORBA::ULong>((fields.size() - 4) / 2));
  for (std::size_t i = 4; i + 1 < fields.size(); i += 2)
    setProperty(properties, static_cast<CORBA::ULong>((i - 4) / 2), fields[i], fields[i + 1]);

  const rtm::ConsumerBinding sut = rtm::ConsumerBinding::find(properties, fields[0], fields[1], fields[2], fields[3]);
  const std::string line = sut.describe();
  fuzz::require(!line.empty(), "every outcome is described");
  if (sut.outcome == rtm::ConsumerBinding::Outcome::Reference)
  {
    std::string value;
    fuzz::require(sut.ior.compare(0, 4, "IOR:") == 0, "a reference starts with IOR:");
    fuzz::require(valueOf(properties, sut.key, value) && value == sut.ior, "a reference is the value of its key");
  }
  std::string ignored;
  const std::string required = fields[0] + ".port." + fields[1] + ".required." + fields[2] + "." + fields[3];
  if (!valueOf(properties, required, ignored) && valueOf(properties, "port." + fields[2] + "." + fields[3], ignored))
    fuzz::require(sut.matched(), "an old-style key alone serves the consumer");
  return 0;
}
