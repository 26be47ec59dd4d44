#include "client/SlaveChoice.h"

#include "client/Error.h"

namespace rtctl
{
  SlaveChoice SlaveChoice::parse(const std::string& text)
  {
    SlaveChoice choice;
    if (text.empty())
      throw UsageError("option --slave needs an index or a host name");
    if (text.find_first_not_of("0123456789") == std::string::npos)
    {
      if (text.size() > 9)
        throw UsageError("--slave " + text + ": no manager has that many slaves");
      choice.kind = kIndex;
      choice.index = std::stoul(text);
      return choice;
    }
    if (text[0] == '-')
      throw UsageError("--slave takes an index from 0 or a host name, not '" + text + "'");
    choice.kind = kHost;
    choice.host = text;
    return choice;
  }
}
