// Fuzz target: reading a configuration file (rtc.conf) that a user wrote, whatever it holds.
//
// Beyond "no crash", two invariants a user relies on:
//  - what store() writes, load() reads back to the same entries (the manager writes
//    configurations that it, or a later run, reads again);
//  - a header handed to store() stays a comment: it never turns into entries.
#include "Require.h"

#include <coil/Properties.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

namespace
{

  // Every entry, inner nodes carrying a value included, one "key: value" line each, in tree order.
  std::string entriesOf(const coil::Properties& props)
  {
    std::ostringstream listing;
    props.list(listing);
    return listing.str();
  }

  coil::Properties loaded(const std::string& text)
  {
    std::istringstream in(text);
    coil::Properties props;
    props.load(in);
    return props;
  }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string text(reinterpret_cast<const char*>(data), size);
  const coil::Properties sut = loaded(text);

  // The lookups the manager makes over a configuration it has just read.
  for (const std::string& name : sut.propertyNames())
  {
    fuzz::require(sut.findNode(name) != nullptr, "every listed name can be found");
    (void)sut.getProperty(name);
    (void)sut.getProperty(name, "default");
  }

  std::ostringstream stored;
  sut.store(stored, "written by the fuzzer");
  fuzz::require(entriesOf(loaded(stored.str())) == entriesOf(sut), "load(store(properties)) has the same entries");

  std::ostringstream headerOnly;
  coil::Properties().store(headerOnly, text);
  fuzz::require(loaded(headerOnly.str()).propertyNames().empty(), "a stored header reads back as no entries");
  return 0;
}
