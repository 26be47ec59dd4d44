// Fuzz target: what a user hands over to turn TLS on -- the authority's PEM file, the PEM file
// with a certificate and key, that key's password (rtc.conf's corba.ssl.* keys), and rtctl's
// TLS options in front of a command.
//
// The input, split at NUL octets: the authority file's content, the key file's content, the
// password, then rtctl's words. The files are written to a folder of this process's own and
// checked as a manager checks them before its ORB starts.
#include "Require.h"

#include "client/Error.h"
#include "client/TlsOptions.h"

#include <rtm/detail/OrbTls.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

  std::vector<std::string> split(const std::string& input)
  {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t nul = input.find('\0'); nul != std::string::npos; start = nul + 1, nul = input.find('\0', start))
    {
      parts.push_back(input.substr(start, nul - start));
    }
    parts.push_back(input.substr(start));
    return parts;
  }

  // Made once a process, and gone with it: the runs would otherwise litter /tmp.
  struct Folder
  {
    std::string path;
    Folder() : path("/tmp/tls-settings-fuzz.XXXXXX")
    {
      fuzz::require(::mkdtemp(path.data()) != nullptr, "a folder for the files");
    }
    ~Folder()
    {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  };

  const std::string& folder()
  {
    static const Folder dir;
    return dir.path;
  }

  void write(const std::string& path, const std::string& content)
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
  }

  void checkFiles(const std::string& authority, const std::string& key, const std::string& password)
  {
    rtm::OrbTls::Settings settings;
    settings.authorityFile = folder() + "/ca.pem";
    settings.keyFile = folder() + "/key.pem";
    settings.keyPassword = password;
    write(settings.authorityFile, authority);
    write(settings.keyFile, key);
    const std::string problem = rtm::OrbTls(settings).problem();
    fuzz::require(problem.find('\n') == std::string::npos, "a refusal is one line");
    if (!problem.empty())
    {
      fuzz::require(problem.find(settings.authorityFile) != std::string::npos ||
                      problem.find(settings.keyFile) != std::string::npos,
                    "a refusal names the file");
    }
  }

  void takeOptions(std::vector<std::string> words)
  {
    const std::size_t before = words.size();
    try
    {
      const rtctl::TlsOptions options =
        rtctl::TlsOptions::take(words, [](const char*) -> const char* { return nullptr; });
      fuzz::require(words.size() <= before, "options are only ever taken off");
      fuzz::require(
        words.empty() || words.front().compare(0, 6, "--ssl-") != 0 ||
          (words.front() != "--ssl-ca" && words.front() != "--ssl-key" && words.front() != "--ssl-key-password"),
        "every leading TLS option is taken");
      (void)options.orbTls().enabled();
    }
    catch (const rtctl::UsageError& e)
    {
      fuzz::require(*e.what() != '\0', "a refused option says why");
    }
  }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::vector<std::string> parts = split(std::string(reinterpret_cast<const char*>(data), size));
  checkFiles(parts[0], parts.size() > 1 ? parts[1] : std::string(), parts.size() > 2 ? parts[2] : std::string());
  if (parts.size() > 3)
  {
    takeOptions(std::vector<std::string>(parts.begin() + 3, parts.end()));
  }
  return 0;
}
