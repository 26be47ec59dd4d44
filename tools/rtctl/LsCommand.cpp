#include "LsCommand.h"

#include "Arguments.h"
#include "ComponentRef.h"
#include "CorbaText.h"
#include "Error.h"
#include "ProfilePrinter.h"
#include "Session.h"

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
    const RtPath path = session.path(args.positional().empty() ? "" : args.positional()[0]);
    if (path.hasPort())
      throw UsageError("'" + path.text() + "' names a port; ls lists naming contexts (use cat for a port)");
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
      printEntry(names, path, {path.names().back(), false}, std::cout);
      return kExitOk;
    }
    listContext(names, path, args.has("-R"), std::cout);
    return kExitOk;
  }

  void LsCommand::listContext(NameService& names, const RtPath& path, bool recursive, std::ostream& out)
  {
    CosNaming::NamingContext_var context = names.context(path);
    const std::vector<NameService::Entry> entries = names.list(context.in(), path);
    if (recursive)
      out << (path.componentText().empty() ? std::string(".") : path.componentText()) << ":\n";
    for (const NameService::Entry& entry : entries)
      printEntry(names, path.child(entry.name), entry, out);
    if (!recursive)
      return;
    for (const NameService::Entry& entry : entries)
    {
      if (!entry.isContext)
        continue;
      out << '\n';
      listContext(names, path.child(entry.name), true, out);
    }
  }

  void LsCommand::printEntry(NameService& names, const RtPath& path, const NameService::Entry& entry,
                             std::ostream& out)
  {
    const std::string shown = entry.isContext ? entry.name + "/" : entry.name;
    const bool component = entry.name.size() > 4 && entry.name.compare(entry.name.size() - 4, 4, ".rtc") == 0;
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
      CORBA::Object_var obj = names.resolve(path);
      const ComponentRef ref(obj.in(), path);
      state = ProfilePrinter::stateInFirstContext(ref);
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
