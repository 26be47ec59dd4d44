#pragma once

#include "client/Command.h"
#include "client/NameService.h"
#include "client/NameWalk.h"
#include "client/RtPath.h"

#include <ostream>

namespace rtctl
{
  class LsCommand : public Command
  {
  public:
    const char* name() const override { return "ls"; }
    const char* summary() const override { return "list a naming context: contexts, components and their states"; }
    const char* usage() const override;
    int run(const std::vector<std::string>& args) override;

  private:
    void listContext(const NameWalk::Node& context, bool recursive, std::ostream& out);
    // One entry: its name alone, or with -l its state and ports. `obj` is nil when it is no
    // component or could not be resolved (`problem` then says why).
    void printEntry(const RtPath& path, const std::string& name, bool isContext, CORBA::Object_ptr obj,
                    const std::string& problem, std::ostream& out);

    bool m_long = false;
  };
}
