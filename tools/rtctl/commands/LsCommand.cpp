#include "commands/LsCommand.h"

#include "client/Arguments.h"
#include "client/ComponentRef.h"
#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/NameText.h"
#include "client/Session.h"
#include "format/ProfilePrinter.h"

#include <iostream>

namespace rtctl
{
  const char* LsCommand::usage() const
  {
    return "usage: rtctl ls [-l] [-R] [PATH]\n"
           "List what a naming service holds at PATH: contexts (shown ending in '/') and objects\n"
           "(components end in .rtc). Without PATH, the root of the default naming service.\n"
           "A PATH that names an object lists that object alone.\n"
           "  -l  also each component's state in its first owned execution context and its ports,\n"
           "      e.g. 'Inactive  Trimul0.rtc  x1(in) y1(out)'; 'Zombie' when it does not answer,\n"
           "      '-' for anything else, with the reason in brackets\n"
           "  -R  descend into every context below PATH\n";
  }

  int LsCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {"-l", "-R"}, {});
    if (args.positional().size() > 1)
      throw UsageError("takes at most one PATH (see --help)");
    m_long = args.has("-l");
    Session session(Orb::kClientOnly);
    const RtPath path = session.path(args.positional().empty() ? "" : args.positional()[0])
                          .requireNoPort("ls lists naming contexts (use cat for a port)");
    NameService& names = session.names(path);

    CORBA::Object_var obj = names.resolve(path);
    bool context = path.isRoot();
    if (!context)
    {
      try
      {
        context = NameService::isContext(obj.in());
      }
      catch (const CORBA::Exception&)
      {
        // An object that does not answer is no context: shown below as a zombie entry.
      }
    }
    if (!context)
    {
      printEntry(path, path.names().back(), false, obj.in(), std::string(), std::cout);
      return kExitOk;
    }
    // What the walk leaves out goes to standard error, once each; the listing goes on.
    NameWalk walk(
      names, [](const std::string& line) { std::cerr << "rtctl: ls: " << line << std::endl; }, args.has("-R"));
    listContext(walk.read(path), args.has("-R"), std::cout);
    return kExitOk;
  }

  void LsCommand::listContext(const NameWalk::Node& context, bool recursive, std::ostream& out)
  {
    if (recursive)
      out << (context.path.componentText().empty() ? std::string(".") : context.path.componentText()) << ":\n";
    for (const NameWalk::Node& entry : context.children)
      if (!entry.skipped)
        printEntry(entry.path, entry.name, entry.isContext, entry.object.in(), entry.problem, out);
    if (!recursive)
      return;
    for (const NameWalk::Node& entry : context.children)
    {
      // A context the walk did not follow was reported; it has no listing of its own.
      if (!entry.isContext || entry.skipped || !entry.problem.empty())
        continue;
      out << '\n';
      listContext(entry, true, out);
    }
  }

  void LsCommand::printEntry(const RtPath& path, const std::string& name, bool isContext, CORBA::Object_ptr obj,
                             const std::string& problem, std::ostream& out)
  {
    const std::string shown = isContext ? name + "/" : name;
    const bool component = !isContext && NameText::isComponent(name);
    if (!m_long)
    {
      out << shown << '\n';
      return;
    }
    if (!component)
    {
      out << "-         " << shown << '\n';
      return;
    }
    std::string state = "-";
    std::string detail;
    try
    {
      if (CORBA::is_nil(obj))
        throw Error(problem.empty() ? std::string("cannot be resolved") : problem);
      const ComponentRef ref(obj, path);
      state = ref.stateInFirstContext();
      detail = ProfilePrinter::portSummary(ref);
    }
    catch (const UnreachableError& e)
    {
      state = "Zombie";
      detail = "(" + std::string(e.what()) + ")";
    }
    catch (const Error& e)
    {
      detail = "(" + std::string(e.what()) + ")";
    }
    out << state << std::string(state.size() < 10 ? 10 - state.size() : 1, ' ') << shown
        << (detail.empty() ? "" : "  " + detail) << '\n';
  }
}
