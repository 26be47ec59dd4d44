#include "config/ManagerConfig.h"

#include "config/InstanceName.h"
#include "config/NamingFormat.h"

#include <coil/stringutil.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace rtm::config
{

  namespace
  {

    bool endsWith(const std::string& text, const std::string& tail)
    {
      return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    }

    // The middleware's defaults, except: logging is off until asked for, no IOR file is written to
    // /var/log behind the user's back, and modules come only from the load path, since whoever
    // reaches the manager object names the file whose code it runs.
    const char* const kDefaults[][2] = {
      {"config.version", "1.1.2"},
      {"openrtm.name", "OpenRTM-aist-1.1.2"},
      {"openrtm.version", "1.1.2"},
      {"manager.name", "manager"},
      {"manager.instance_name", "manager"},
      {"manager.is_master", "NO"},
      {"manager.corba_servant", "YES"},
      {"manager.naming_formats", "%h.host_cxt/%n.mgr"},
      {"manager.shutdown_on_nortcs", "YES"},
      {"manager.shutdown_auto", "YES"},
      {"manager.auto_shutdown_duration", "10.0"},
      {"manager.refstring_path", ""},
      {"manager.modules.load_path", "./"},
      {"manager.modules.abs_path_allowed", "NO"},
      {"corba.master_manager", "localhost:2810"},
      {"corba.nameservers", "localhost"},
      {"corba.endpoint", ""},
      {"corba.args", ""},
      {"corba.id", "omniORB"},
      {"naming.enable", "YES"},
      {"naming.type", "corba"},
      {"naming.formats", "%h.host_cxt/%n.rtc"},
      {"naming.update.enable", "YES"},
      {"naming.update.interval", "10.0"},
      {"naming.update.rebind", "NO"},
      {"timer.enable", "YES"},
      {"timer.tick", "0.1"},
      {"logger.enable", "NO"},
      {"logger.file_name", "./rtc%p.log"},
      {"logger.log_level", "INFO"},
      {"logger.date_format", "%b %d %H:%M:%S.%Q"},
      {"exec_cxt.periodic.type", "PeriodicExecutionContext"},
      {"exec_cxt.periodic.rate", "1000"},
      {"exec_cxt.evdriven.type", "EventDrivenExecutionContext"},
      {"sdo.service.provider.enabled_service", "ALL"},
      {"sdo.service.consumer.enabled_service", "ALL"},
    };

    const char* const kSearchPath[] = {
      "./rtc.conf", "/etc/rtc.conf", "/etc/rtc/rtc.conf", "/usr/local/etc/rtc.conf", "/usr/local/etc/rtc/rtc.conf",
    };

    // "" if `path` can be opened for reading as a file, else why not (strerror text).
    std::string unreadableReason(const std::string& path)
    {
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0)
      {
        return std::strerror(errno);
      }
      struct stat info
      {};
      std::string reason;
      if (::fstat(fd, &info) != 0)
      {
        reason = std::strerror(errno);
      }
      else if (S_ISDIR(info.st_mode))
      {
        reason = std::strerror(EISDIR);
      }
      ::close(fd);
      return reason;
    }

    std::string cannotRead(const std::string& path, const std::string& reason)
    {
      return "cannot read configuration file '" + path + "': " + reason;
    }

  }  // namespace

  std::string findConfigFile(const CommandLineResult& commandLine, std::string& error)
  {
    error.clear();
    if (!commandLine.configFile.empty())
    {
      const std::string reason = unreadableReason(commandLine.configFile);
      if (!reason.empty())
      {
        error = cannotRead(commandLine.configFile, reason);
        return {};
      }
      return commandLine.configFile;
    }
    // The remaining places are guesses, so an unusable one is passed over as the middleware does.
    const char* fromEnv = std::getenv("RTC_MANAGER_CONFIG");
    if (fromEnv != nullptr && *fromEnv != '\0' && unreadableReason(fromEnv).empty())
    {
      return fromEnv;
    }
    for (const char* candidate : kSearchPath)
    {
      if (unreadableReason(candidate).empty())
      {
        return candidate;
      }
    }
    return {};
  }

  coil::Properties defaultManagerConfig()
  {
    coil::Properties config;
    for (const auto& entry : kDefaults)
    {
      config.setProperty(entry[0], entry[1]);
    }
    return config;
  }

  void addSystemInfo(coil::Properties& config)
  {
    struct utsname info
    {};
    if (::uname(&info) == 0)
    {
      config.setProperty("os.name", info.sysname);
      config.setProperty("os.release", info.release);
      config.setProperty("os.version", info.version);
      config.setProperty("os.arch", info.machine);
      config.setProperty("os.hostname", info.nodename);
    }
    config.setProperty("manager.pid", std::to_string(::getpid()));
  }

  std::string nameSettingsProblem(const coil::Properties& config)
  {
    for (const std::string& key : config.propertyNames())
    {
      if (key != "instance_name" && !endsWith(key, ".instance_name"))
      {
        continue;
      }
      const std::string refusal = instanceNameRefusal(config.getProperty(key));
      if (!refusal.empty())
      {
        return key + ": " + refusal;
      }
    }
    // Stand-ins for what a component brings, so that only the format itself (its text, the host
    // name, the environment) is judged here; a component's own values are checked at creation.
    coil::Properties sample(config);
    for (const char* key : {"type_name", "implementation_id", "category", "vendor", "version"})
    {
      sample.setProperty(key, "name");
    }
    sample.setProperty("instance_name", "name0");
    for (const std::string& key : config.propertyNames())
    {
      if (key != "manager.naming_formats" && key != "naming.formats" && !endsWith(key, ".naming.formats"))
      {
        continue;
      }
      if (key == "manager.naming_formats")
      {
        sample.setProperty("instance_name", config.getProperty("manager.instance_name"));
      }
      for (const std::string& format : coil::split(config.getProperty(key), ",", true))
      {
        const std::string name = expandNamingFormat(format, sample);
        const std::string problem = namingNameProblem(name);
        if (!problem.empty())
        {
          return key + ": '" + printable(format) + "' expands to '" + printable(name) + "', which " + problem +
                 ": make each part between '/' a name";
        }
      }
      sample.setProperty("instance_name", "name0");
    }
    return {};
  }

  bool loadManagerConfig(int argc, char** argv, coil::Properties& out, std::string& error, bool& help)
  {
    error.clear();
    help = false;
    const CommandLineResult commandLine = parseCommandLine(argc, argv);
    if (!commandLine.error.empty())
    {
      error = commandLine.error;
      return false;
    }
    if (commandLine.helpRequested)
    {
      help = true;
      return true;
    }

    coil::Properties config = defaultManagerConfig();
    const std::string file = findConfigFile(commandLine, error);
    if (!error.empty())
    {
      return false;
    }
    if (!file.empty())
    {
      std::ifstream in(file);
      if (!in)
      {
        error = cannotRead(file, std::strerror(errno));
        return false;
      }
      config.load(in);
      if (in.bad())
      {
        error = cannotRead(file, "read error");
        return false;
      }
    }
    addSystemInfo(config);
    if (commandLine.isMaster)
    {
      config.setProperty("manager.is_master", "YES");
    }
    config << commandLine.overrides;
    error = nameSettingsProblem(config);
    if (!error.empty())
    {
      return false;
    }
    out = config;
    return true;
  }

}  // namespace rtm::config
