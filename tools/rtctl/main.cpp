// rtctl: drive a running system of RT-components from the shell.
#include "client/Error.h"
#include "client/TlsOptions.h"
#include "commands/CommandList.h"

#include <omniORB4/CORBA.h>

#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace
{
  using rtctl::Command;

  void printUsage(std::ostream& out, const std::vector<std::unique_ptr<Command>>& all)
  {
    out << "Usage: rtctl [TLS OPTIONS] COMMAND [ARGS...]    (rtctl COMMAND --help for each)\n"
           "Drive RT-components through their naming service.\n\n";
    for (const auto& command : all)
      out << "  " << command->name() << std::string(12 - std::string(command->name()).size(), ' ') << command->summary()
          << '\n';
    out << "\nPaths: /HOST:PORT/CONTEXT/.../NAME.rtc names a component in the naming service at\n"
           "HOST:PORT (2809 when :PORT is left out); a path without the leading '/' lives in the\n"
           "default naming service, RTCTL_NAMESERVER (HOST or HOST:PORT) or else localhost:2809.\n"
           "A port is PATH:PORT, e.g. /localhost:2809/myhost.host_cxt/Trimul0.rtc:x1.\n"
           "RTCTL_ENDPOINT: the address the component of inject and print listens on, which the\n"
           "target must reach (default: every interface; 127.0.0.1 when all runs on this host).\n"
           "Exit status: 0 done, 1 refused or failed, 2 wrong command line.\n\n"
        << rtctl::TlsOptions::kHelp
        << "\n"
           "--help-all prints this and every command's help; --version the version.\n";
  }

  // Everything --help and each COMMAND --help say, in one text: the manual page is made from it,
  // so each command's help is laid out as help2man reads a sub-section (a heading with a colon,
  // its synopsis indented by one blank, then the description and options).
  void printAllUsage(std::ostream& out, const std::vector<std::unique_ptr<Command>>& all)
  {
    printUsage(out, all);
    const std::string prefix = "usage: ";
    for (const auto& command : all)
    {
      std::string text = command->usage();
      if (text.compare(0, prefix.size(), prefix) == 0)
        text.erase(0, prefix.size());
      const std::string::size_type endOfSynopsis = text.find('\n');
      out << '\n'
          << command->name() << ":\n " << text.substr(0, endOfSynopsis) << "\n\n"
          << (endOfSynopsis == std::string::npos ? std::string() : text.substr(endOfSynopsis + 1));
    }
  }

  bool wantsHelp(const std::vector<std::string>& args)
  {
    for (const std::string& arg : args)
    {
      if (arg == "--")
        return false;
      if (arg == "--help" || arg == "-h")
        return true;
    }
    return false;
  }
}

int main(int argc, char** argv)
{
  const std::vector<std::unique_ptr<Command>> all = rtctl::allCommands();
  std::vector<std::string> words(argv + 1, argv + argc);
  try
  {
    rtctl::TlsOptions::setCurrent(rtctl::TlsOptions::take(words, [](const char* name) { return std::getenv(name); }));
  }
  catch (const rtctl::Error& e)
  {
    std::cerr << "rtctl: " << e.what() << std::endl;
    return e.status();
  }
  if (words.empty())
  {
    printUsage(std::cerr, all);
    return rtctl::kExitUsage;
  }
  if (words[0] == "--help" || words[0] == "-h" || words[0] == "help")
  {
    printUsage(std::cout, all);
    return rtctl::kExitOk;
  }
  if (words[0] == "--version")
  {
    std::cout << "rtctl (" RTCTL_PACKAGE_NAME ") " RTCTL_PACKAGE_VERSION "\n";
    return rtctl::kExitOk;
  }
  if (words[0] == "--help-all")
  {
    printAllUsage(std::cout, all);
    return rtctl::kExitOk;
  }

  for (const auto& command : all)
  {
    if (words[0] != command->name())
      continue;
    const std::vector<std::string> args(words.begin() + 1, words.end());
    if (wantsHelp(args))
    {
      std::cout << command->usage();
      return rtctl::kExitOk;
    }
    const std::string prefix = std::string("rtctl: ") + command->name() + ": ";
    try
    {
      return command->run(args);
    }
    catch (const rtctl::Error& e)
    {
      std::cerr << prefix << e.what() << std::endl;
      return e.status();
    }
    catch (const CORBA::Exception& e)
    {
      std::cerr << prefix << "unexpected answer from the ORB: " << e._name() << std::endl;
    }
    catch (const std::exception& e)
    {
      std::cerr << prefix << e.what() << std::endl;
    }
    catch (...)
    {
      std::cerr << prefix << "unexpected failure" << std::endl;
    }
    return rtctl::kExitFailure;
  }
  std::cerr << "rtctl: unknown command '" << words[0] << "' (rtctl --help lists them)" << std::endl;
  return rtctl::kExitUsage;
}
