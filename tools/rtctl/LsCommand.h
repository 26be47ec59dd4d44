#pragma once

#include "Command.h"
#include "NameService.h"
#include "RtPath.h"

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
    void listContext(NameService& names, const RtPath& path, bool recursive, std::ostream& out);
    // One entry: its name alone, or with -l its state and ports.
    void printEntry(NameService& names, const RtPath& path, const NameService::Entry& entry,
                    std::ostream& out);

    bool m_long = false;
  };
}
