// Fuzz target: a system file, as rtctl system up/check/graph read one from anywhere. Any bytes
// are either refused with an error or read into a profile; a profile read is written and read
// again, and must come back the same, so that save after up loses nothing of a file.
#include "ProfileEquality.h"
#include "Require.h"

#include "client/Error.h"
#include "system/SystemFileReader.h"
#include "system/SystemFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const std::string input(reinterpret_cast<const char*>(data), size);
  rtctl::SystemProfile profile;
  try
  {
    profile = rtctl::SystemFileReader::parse(input, "fuzz.xml");
  }
  catch (const rtctl::Error& e)
  {
    fuzz::require(std::string(e.what()).rfind("fuzz.xml: ", 0) == 0, "a refusal names the file");
    return 0;
  }
  const std::string written = rtctl::SystemFileWriter::text(profile);
  rtctl::SystemProfile again;
  try
  {
    again = rtctl::SystemFileReader::parse(written, "written.xml");
  }
  catch (const rtctl::Error&)
  {
    fuzz::require(false, "what the writer writes of an accepted file is read back");
  }
  fuzz::require(fuzz::same(profile, again), "an accepted file reads back the same after parse -> write -> parse");
  return 0;
}
