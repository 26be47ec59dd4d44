#include "config/CommandLine.h"

#include <coil/stringutil.h>

#include <charconv>

namespace rtm::config
{

  namespace
  {

    bool parsePort(const std::string& text, int& port)
    {
      // Digits only: "+80", " 80" or "80x" are more likely typos than ports.
      if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
      {
        return false;
      }
      const char* end = text.data() + text.size();
      const auto [last, ec] = std::from_chars(text.data(), end, port);
      return ec == std::errc() && last == end && port <= 65535;
    }

    // Returns an error message, or "" if the option was applied.
    std::string applyOption(char option, const std::string& arg, CommandLineResult& result)
    {
      switch (option)
      {
        case 'f':
          result.configFile = arg;
          return {};
        case 'l':
          return {};  // accepted for compatibility; the middleware ignores it as well
        case 'o':
        {
          const auto colon = arg.find(':');
          std::string key = arg.substr(0, colon);
          coil::eraseBothEndsBlank(key);
          if (colon == std::string::npos || coil::split(key, ".", true).empty())
          {
            return "malformed -o value '" + arg + "': expected key:value";
          }
          std::string value = arg.substr(colon + 1);  // further ':' belong to the value
          coil::eraseBothEndsBlank(value);
          result.overrides.setProperty(key, value);
          return {};
        }
        case 'p':
        {
          int port = 0;
          if (!parsePort(arg, port))
          {
            return "option '-p' needs a port number (0-65535), not '" + arg + "'";
          }
          result.overrides.setProperty("corba.endpoints", ":" + std::to_string(port));
          return {};
        }
        default:
          return "unknown option '-" + std::string(1, option) + "'";
      }
    }

    bool takesArgument(char option) { return option == 'f' || option == 'l' || option == 'o' || option == 'p'; }

  }  // namespace

  CommandLineResult parseCommandLine(int argc, char** argv)
  {
    CommandLineResult result;
    for (int i = 1; i < argc && result.error.empty(); ++i)
    {
      const std::string arg = argv[i] != nullptr ? argv[i] : "";
      if (arg == "--")
      {
        break;
      }
      if (arg == "--help")
      {
        result.helpRequested = true;
        continue;
      }
      if (arg == "--version")
      {
        result.versionRequested = true;
        continue;
      }
      if (arg.rfind("--", 0) == 0)
      {
        result.error = "unknown option '" + arg + "'";
        break;
      }
      if (arg.size() < 2 || arg[0] != '-')
      {
        continue;  // operands are ignored, wherever they stand
      }
      // A cluster such as "-da" or "-dfrtc.conf": flags until one that takes an argument,
      // which gets the rest of the word or, failing that, the next word.
      for (std::size_t j = 1; j < arg.size(); ++j)
      {
        const char option = arg[j];
        if (option == 'a')
        {
          result.overrides.setProperty("manager.corba_servant", "NO");
        }
        else if (option == 'd')
        {
          result.isMaster = true;
        }
        else if (option == 'h')
        {
          result.helpRequested = true;
        }
        else if (takesArgument(option))
        {
          std::string value;
          if (j + 1 < arg.size())
          {
            value = arg.substr(j + 1);
          }
          else if (i + 1 < argc && argv[i + 1] != nullptr)
          {
            value = argv[++i];
          }
          else
          {
            result.error = "option '-" + std::string(1, option) + "' needs an argument";
            break;
          }
          result.error = applyOption(option, value, result);
          break;
        }
        else
        {
          result.error = "unknown option '-" + std::string(1, option) + "'";
          break;
        }
      }
    }
    return result;
  }

  std::string usage(const char* program)
  {
    const std::string name = program != nullptr && *program != '\0' ? program : "program";
    return "Usage: " + name +
           " [options]\n"
           "Options:\n"
           "  -f FILE         read the configuration from FILE first\n"
           "  -o KEY:VALUE    set a configuration property (repeatable; overrides all else)\n"
           "  -p PORT         listen for CORBA requests on PORT (corba.endpoints=:PORT)\n"
           "  -d              run as the master manager (manager.is_master=YES)\n"
           "  -a              create no manager CORBA object (manager.corba_servant=NO)\n"
           "  -h, --help      print this help and exit\n"
           "  --version       print the program's version and exit\n";
  }

}  // namespace rtm::config
