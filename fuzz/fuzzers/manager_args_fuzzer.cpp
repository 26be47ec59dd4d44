// Fuzz target: what a caller of the manager object names -- the argument of create_component
// ("Trimul?instance_name=x"), an instance name, a module file to load -- and the bytes of the
// file a module name leads to, which the manager reads before it opens anything.
//
// The same input feeds all of them: as text it is a component argument, an instance name, a
// naming name and a module name (resolved against a load path made at start, never opened); as
// bytes it is a would-be module for the ELF reader, which libFuzzer hands exactly `size` bytes so
// that a read past the end is a sanitizer report.
#include "Require.h"

#include "config/ComponentArgs.h"
#include "config/InstanceName.h"
#include "manager/ElfReader.h"
#include "manager/ModulePath.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace
{

  // A well-formed UTF-8 sequence starting at `i`, by the table of well-formed byte sequences
  // (written apart from the checker under test, so the two cannot share a mistake); its length,
  // or 0.
  std::size_t wellFormedLength(const std::string& s, std::size_t i)
  {
    auto byte = [&](std::size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0x100u; };
    auto in = [](unsigned value, unsigned low, unsigned high) { return value >= low && value <= high; };
    const unsigned b0 = byte(i), b1 = byte(i + 1), b2 = byte(i + 2), b3 = byte(i + 3);
    if (b0 <= 0x7f)
      return 1;
    if (in(b0, 0xc2, 0xdf) && in(b1, 0x80, 0xbf))
      return 2;
    if (b0 == 0xe0 && in(b1, 0xa0, 0xbf) && in(b2, 0x80, 0xbf))
      return 3;
    if ((in(b0, 0xe1, 0xec) || in(b0, 0xee, 0xef)) && in(b1, 0x80, 0xbf) && in(b2, 0x80, 0xbf))
      return 3;
    if (b0 == 0xed && in(b1, 0x80, 0x9f) && in(b2, 0x80, 0xbf))
      return 3;
    if (b0 == 0xf0 && in(b1, 0x90, 0xbf) && in(b2, 0x80, 0xbf) && in(b3, 0x80, 0xbf))
      return 4;
    if (in(b0, 0xf1, 0xf3) && in(b1, 0x80, 0xbf) && in(b2, 0x80, 0xbf) && in(b3, 0x80, 0xbf))
      return 4;
    if (b0 == 0xf4 && in(b1, 0x80, 0x8f) && in(b2, 0x80, 0xbf) && in(b3, 0x80, 0xbf))
      return 4;
    return 0;
  }

  bool isCleanText(const std::string& s)
  {
    for (std::size_t i = 0; i < s.size();)
    {
      const std::size_t length = wellFormedLength(s, i);
      if (length == 0)
        return false;
      const auto b0 = static_cast<unsigned char>(s[i]);
      if (b0 < 0x20 || b0 == 0x7f)
        return false;
      if (b0 == 0xc2 && static_cast<unsigned char>(s[i + 1]) <= 0x9f)
        return false;  // U+0080..U+009F
      i += length;
    }
    return true;
  }

  void checkInstanceName(const std::string& input)
  {
    if (!rtm::config::instanceNameProblem(input).empty())
    {
      return;
    }
    fuzz::require(!input.empty() && input.size() <= 255, "an accepted name has 1-255 bytes");
    fuzz::require(input.find_first_of("/\\") == std::string::npos, "an accepted name has no '/' nor '\\'");
    fuzz::require(input != "." && input != "..", "an accepted name is not '.' nor '..'");
    fuzz::require(isCleanText(input), "an accepted name is UTF-8 without control characters");
  }

  void checkNamingName(const std::string& input)
  {
    if (!rtm::config::namingNameProblem(input).empty())
    {
      return;
    }
    std::size_t start = 0;
    for (;;)
    {
      const auto slash = input.find('/', start);
      const std::string element = input.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
      fuzz::require(!element.empty() && element != "." && element != "..", "an accepted naming name has only names");
      if (slash == std::string::npos)
        break;
      start = slash + 1;
    }
  }

  void checkPrintable(const std::string& input)
  {
    for (const char c : rtm::config::printable(input))
    {
      const auto byte = static_cast<unsigned char>(c);
      fuzz::require(byte >= 0x20 && byte != 0x7f, "a printable text holds no control character");
    }
  }

  void checkComponentArgument(const std::string& input)
  {
    rtm::config::ComponentArgs args;
    std::string error;
    if (rtm::config::parseComponentArgs(input, args, error))
    {
      fuzz::require(rtm::config::instanceNameProblem(args.implementationId).empty(),
                    "an accepted component argument names a type by a usable name");
    }
    else
    {
      fuzz::require(!error.empty() && error.find('\n') == std::string::npos, "a refusal is one line");
    }
  }

  // load/Alpha.so, load/Out.so -> ../outside/Evil.so, outside/Evil.so: made once, removed at exit.
  struct LoadPath
  {
    LoadPath()
    {
      char pattern[] = "/tmp/manager-args-fuzz.XXXXXX";
      const char* made = ::mkdtemp(pattern);
      fuzz::require(made != nullptr, "a temporary folder can be made");
      root = std::filesystem::canonical(made).string();
      std::filesystem::create_directories(root + "/load/sub");
      std::filesystem::create_directories(root + "/outside");
      std::ofstream(root + "/load/Alpha.so") << "x";
      std::ofstream(root + "/load/sub/Beta.so") << "x";
      std::ofstream(root + "/outside/Evil.so") << "x";
      std::filesystem::create_symlink("../outside/Evil.so", root + "/load/Out.so");
    }
    ~LoadPath()
    {
      std::error_code ignored;
      std::filesystem::remove_all(root, ignored);
    }
    std::string root;
  };

  void checkModuleName(const std::string& input)
  {
    static LoadPath place;
    static const rtm::ModulePath sut({place.root + "/load"}, false);
    std::string path, error;
    if (sut.resolve(input, path, error))
    {
      fuzz::require(path.compare(0, place.root.size() + 6, place.root + "/load/") == 0,
                    "a module name leads only into the load path");
    }
    else
    {
      fuzz::require(!error.empty() && error.find('\n') == std::string::npos, "a refused module name costs one line");
    }
  }

  void checkElf(const std::uint8_t* data, std::size_t size)
  {
    rtm::ElfReader sut;
    std::string error;
    if (sut.read(data, size, error))
    {
      for (const std::string& name : sut.needed())
      {
        fuzz::require(name.size() < size, "a needed name lies inside the file");
      }
    }
    else
    {
      fuzz::require(!error.empty(), "a refused image says why");
    }
  }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string input(reinterpret_cast<const char*>(data), size);
  checkInstanceName(input);
  checkNamingName(input);
  checkPrintable(input);
  checkComponentArgument(input);
  checkModuleName(input);
  checkElf(data, size);
  return 0;
}
