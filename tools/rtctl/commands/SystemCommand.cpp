#include "commands/SystemCommand.h"

#include "client/Arguments.h"
#include "client/Error.h"
#include "client/Session.h"
#include "client/SystemReader.h"
#include "commands/SubVerbs.h"
#include "format/GraphRenderer.h"
#include "format/SystemGraph.h"
#include "system/LiveSystem.h"
#include "system/SystemActivation.h"
#include "system/SystemConfiguration.h"
#include "system/SystemConnections.h"
#include "system/SystemFileReader.h"
#include "system/SystemFileWriter.h"

#include <sys/stat.h>

#include <ctime>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>

namespace rtctl
{
  namespace
  {
    const int kExitTrouble = 2;  // check: neither "same" nor "differs" could be told

    std::string now()
    {
      const std::time_t t = std::time(nullptr);
      std::tm local{};
      localtime_r(&t, &local);
      char text[32];
      std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
      return text;
    }

    std::string baseName(const std::string& fileName)
    {
      const std::string::size_type slash = fileName.find_last_of('/');
      std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
      const std::string::size_type dot = name.rfind('.');
      if (dot != std::string::npos && dot > 0)
        name.erase(dot);
      return name.empty() ? std::string("system") : name;
    }

    bool isFile(const std::string& name)
    {
      struct stat st;
      return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }

    // The one FILE that up, down, start, stop and check take.
    std::string fileArgument(const Arguments& args)
    {
      if (args.positional().size() != 1)
        throw UsageError("takes one system FILE (see --help)");
      return args.positional()[0];
    }

    // Prefixes each warning line the way main() prefixes errors.
    class Warnings
    {
    public:
      ~Warnings() { flush(); }
      std::ostream& stream() { return m_text; }
      // Prints what was written so far, so that it comes before the steps that follow.
      void flush()
      {
        std::istringstream lines(m_text.str());
        std::string line;
        while (std::getline(lines, line))
          std::cerr << "rtctl: system: " << line << '\n';
        m_text.str(std::string());
      }

    private:
      std::ostringstream m_text;
    };

    // The running system under the PATHs (the whole default naming service when none is given),
    // read whole; what is left out is told as a warning.
    SystemView readSystem(Session& session, std::vector<std::string> paths, std::ostream& warnings)
    {
      if (paths.empty())
        paths.push_back("");
      std::vector<RtPath> roots;
      roots.reserve(paths.size());
      for (const std::string& path : paths)
        roots.push_back(session.path(path).requireNoPort("give components or naming contexts"));
      SystemReader reader(session, SystemReader::kWhole,
                          [&warnings](const std::string& line) { warnings << "warning: " << line << '\n'; });
      return reader.read(roots);
    }

    // The managers bound among the paths read, each around the components it holds; one that
    // cannot be read is drawn all the same, with a warning saying why.
    std::vector<ManagerCluster> readManagers(Session& session, SystemView& view, std::ostream& warnings)
    {
      SystemReader(session, SystemReader::kWhole).readManagers(view);
      std::vector<ManagerCluster> managers;
      for (const std::string& key : view.inTreeOrder(SystemView::Node::kManager))
      {
        const auto found = view.managers.find(key);
        if (found == view.managers.end())
          continue;
        const ManagerCluster& manager = found->second;
        if (!manager.problem.empty())
          warnings << "warning: manager " << manager.problem << '\n';
        for (const ManagerCluster& slave : manager.slaves)
          if (!slave.problem.empty())
            warnings << "warning: " << slave.name << " of " << key << " " << slave.problem << '\n';
        managers.push_back(manager);
      }
      return managers;
    }

    // A system file and its components in the running system, for the commands that act on it.
    struct FileAgainstSystem
    {
      explicit FileAgainstSystem(const std::vector<std::string>& words)
        : profile(SystemFileReader::read(fileArgument(Arguments(words, {}, {})))), session(Orb::kClientOnly),
          system(session, profile), connections(system, profile)
      {}

      // Runs the checks that must all hold before anything is changed: the first failure ends
      // the command, saying that nothing was changed. Their warnings come before the steps.
      void checkFirst(const std::function<void(std::ostream& warnings)>& checks)
      {
        try
        {
          checks(warnings.stream());
        }
        catch (const Error& e)
        {
          throw Error(std::string(e.what()) + "; nothing was changed", e.status());
        }
        warnings.flush();
      }

      const SystemProfile profile;
      Session session;
      const LiveSystem system;
      const SystemConnections connections;
      Warnings warnings;
    };
  }

  const char* SystemCommand::usage() const
  {
    return "usage: rtctl system save FILE [PATH...] [--name NAME] [--vendor VENDOR] [--version V] [--abstract TEXT]\n"
           "       rtctl system up|down|start|stop|check FILE\n"
           "       rtctl system graph [FILE | PATH...] [-o PICTURE.svg|png] [--state]\n"
           "A system file (XML, the system profile format of the middleware's editors and shell\n"
           "tools) holds components by naming path, their data connections with connector ids and\n"
           "properties, configuration sets and execution contexts.\n"
           "  save   write every component under the PATHs (components or naming contexts; default\n"
           "         the whole default naming service) and the connections among them to FILE\n"
           "  up     restore FILE: connections with their saved ids and properties (one already\n"
           "         there is left), configuration sets, then activation, required components\n"
           "         first; checks everything first and changes nothing when a required component\n"
           "         or a port is missing; an optional component that is not running is skipped\n"
           "  down   remove the file's connections\n"
           "  start  activate every component in its first execution context, required first\n"
           "  stop   deactivate them, in the same order\n"
           "  check  tell what differs between FILE and the running system, changing nothing:\n"
           "         exit status 0 when nothing differs, 1 when something does, 2 when it cannot tell\n"
           "  graph  print the system as Graphviz DOT (from FILE, else from the running system at\n"
           "         the PATHs): components with input ports left, output ports right, edges\n"
           "         labelled with the subscription type, coloured by state; of a running system,\n"
           "         each manager bound there is a cluster around the components it holds, its\n"
           "         slaves clusters inside it, each labelled with its host and pid\n"
           "    -o PICTURE  render it with Graphviz's dot into an .svg or .png file instead\n"
           "    --state     with FILE, ask the running system for each component's state\n"
           "  --name, --vendor, --version  make the file's id RTSystem:VENDOR:NAME:V (default\n"
           "                rtctl, FILE's name, 1.0); --abstract  its description\n";
  }

  int SystemCommand::run(const std::vector<std::string>& args)
  {
    struct Verb
    {
      const char* word;
      int (SystemCommand::*run)(const std::vector<std::string>& words);
    };
    static const SubVerbs<Verb> verbs("subcommand", "",
                                      {{"save", &SystemCommand::save},
                                       {"up", &SystemCommand::up},
                                       {"down", &SystemCommand::down},
                                       {"start", &SystemCommand::changeState<StateRequest::kActivate>},
                                       {"stop", &SystemCommand::changeState<StateRequest::kDeactivate>},
                                       {"check", &SystemCommand::check},
                                       {"graph", &SystemCommand::graph}});
    if (args.empty())
      throw UsageError("needs a subcommand: " + verbs.words(" or ") + " (see --help)");
    return (this->*verbs.find(args[0]).run)(std::vector<std::string>(args.begin() + 1, args.end()));
  }

  int SystemCommand::save(const std::vector<std::string>& words)
  {
    const Arguments args(words, {}, {"--name", "--vendor", "--version", "--abstract"});
    if (args.positional().empty())
      throw UsageError("save takes a FILE to write, then the PATHs to save (see --help)");
    const std::string file = args.positional()[0];
    const std::vector<std::string> paths(args.positional().begin() + 1, args.positional().end());

    Session session(Orb::kClientOnly);
    Warnings warnings;
    const SystemView view = readSystem(session, paths, warnings.stream());
    SystemProfile profile = view.profile(view.inTreeOrder(SystemView::Node::kComponent), &warnings.stream());
    if (profile.components.empty())
      throw Error(std::string("no running component under ") +
                  (args.positional().size() == 1 ? "the naming service" : "the paths given") + "; " + file +
                  " was not written");
    profile.id = "RTSystem:" + args.value("--vendor", "rtctl") + ":" + args.value("--name", baseName(file)) + ":" +
                 args.value("--version", "1.0");
    profile.abstract = args.value("--abstract");
    profile.creationDate = profile.updateDate = now();
    // Saving the same system again updates its file: it keeps the date it was first made.
    if (isFile(file))
    {
      try
      {
        const std::string created = SystemFileReader::read(file).creationDate;
        if (!created.empty())
          profile.creationDate = created;
      }
      catch (const Error&)
      {
        // Not a system file: it is simply replaced.
      }
    }
    SystemFileWriter::write(profile, file);
    std::cout << "saved " << profile.components.size() << " component(s) and " << profile.connectors.size()
              << " connection(s) to " << file << std::endl;
    return kExitOk;
  }

  int SystemCommand::up(const std::vector<std::string>& words)
  {
    FileAgainstSystem file(words);
    file.checkFirst([&file](std::ostream& warnings) {
      file.system.requireComponents(warnings);
      file.connections.checkRestorable();
      for (const LiveSystem::Member& member : file.system.members())
        if (member.ref)
          SystemConfiguration(member).checkRestorable();
      SystemActivation::checkContexts(file.system);
    });

    bool ok = file.connections.connectAll(std::cout, std::cerr);
    for (const LiveSystem::Member& member : file.system.members())
    {
      if (!member.ref)
        continue;
      try
      {
        const SystemConfiguration configuration(member);
        if (configuration.saved())
          std::cout << configuration.restore() << std::endl;
      }
      catch (const Error& e)
      {
        std::cerr << "rtctl: system: " << e.what() << std::endl;
        ok = false;
      }
    }
    ok = SystemActivation::apply(file.system, StateRequest::kActivate, std::cout, std::cerr) && ok;
    return ok ? kExitOk : kExitFailure;
  }

  int SystemCommand::down(const std::vector<std::string>& words)
  {
    FileAgainstSystem file(words);
    file.checkFirst([&file](std::ostream& warnings) {
      file.system.requireComponents(warnings);
      file.connections.requirePorts();
    });
    return file.connections.disconnectAll(std::cout, std::cerr) ? kExitOk : kExitFailure;
  }

  template <StateRequest::Kind kind>
  int SystemCommand::changeState(const std::vector<std::string>& words)
  {
    FileAgainstSystem file(words);
    file.checkFirst([&file](std::ostream& warnings) {
      file.system.requireComponents(warnings);
      SystemActivation::checkContexts(file.system);
    });
    return SystemActivation::apply(file.system, kind, std::cout, std::cerr) ? kExitOk : kExitFailure;
  }

  int SystemCommand::check(const std::vector<std::string>& words)
  {
    try
    {
      const FileAgainstSystem file(words);
      std::vector<std::string> differences;
      for (const LiveSystem::Member& member : file.system.members())
      {
        if (!member.ref && member.unknown)
          continue;
        if (!member.ref)
        {
          differences.push_back(std::string("missing ") + (member.saved->isRequired ? "required" : "optional") +
                                " component " + member.shown() + ": " + member.problem);
          continue;
        }
        for (const SavedDataPort& port : member.saved->dataPorts)
          if (member.port(port.name) == nullptr)
            differences.push_back("missing port " + member.shown() + ":" + port.name);
        for (const std::string& line : SystemConfiguration(member).differences())
          differences.push_back(line);
      }
      for (const std::string& line : file.connections.differences())
        differences.push_back(line);
      for (const std::string& line : differences)
        std::cout << line << '\n';
      std::cout.flush();
      const size_t unknown = file.system.unknownCount();
      if (unknown > 0)
      {
        // A component nobody answered for is neither "same" nor "differs": say so, once.
        const LiveSystem::Member* first = nullptr;
        for (const LiveSystem::Member& member : file.system.members())
          if (member.unknown && first == nullptr)
            first = &member;
        throw Error("cannot tell whether " + std::to_string(unknown) + " of " +
                    std::to_string(file.system.members().size()) + " components run (" + first->shown() + ": " +
                    first->problem + ")");
      }
      return differences.empty() ? kExitOk : kExitFailure;
    }
    catch (const Error& e)
    {
      // Status 1 means "differs": a check that could not be made must not read as that.
      throw Error(e.what(), kExitTrouble);
    }
  }

  int SystemCommand::graph(const std::vector<std::string>& words)
  {
    const Arguments args(words, {"--state"}, {"-o"});
    const std::string picture = args.value("-o");
    if (!picture.empty())
      GraphRenderer::format(picture);
    const std::vector<std::string>& positional = args.positional();
    const bool fromFile = positional.size() == 1 && isFile(positional[0]);
    for (const std::string& word : positional)
      if (!fromFile && isFile(word))
        throw UsageError("give one system FILE, or naming PATHs, not both");

    Session session(Orb::kClientOnly);
    Warnings warnings;
    SystemProfile profile;
    std::map<std::string, std::string> states;
    std::vector<ManagerCluster> managers;
    std::string title;
    if (fromFile)
    {
      profile = SystemFileReader::read(positional[0]);
      title = profile.id;
      if (args.has("--state"))
      {
        const LiveSystem system(session, profile);
        for (const LiveSystem::Member& member : system.members())
          states[member.saved->pathUri] = member.ref ? member.ref->stateInFirstContext() : "Not running";
      }
    }
    else
    {
      if (args.has("--state"))
        throw UsageError("--state goes with a system FILE; a running system is always drawn with its states");
      SystemView view = readSystem(session, positional, warnings.stream());
      profile = view.profile(view.inTreeOrder(SystemView::Node::kComponent), &warnings.stream());
      states = view.states();
      managers = readManagers(session, view, warnings.stream());
    }

    const std::string dot = SystemGraph::dot(profile, states, title, managers);
    if (picture.empty())
      std::cout << dot << std::flush;
    else
      GraphRenderer::render(dot, picture);
    return kExitOk;
  }
}
