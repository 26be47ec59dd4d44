#include "format/TextTable.h"

#include <algorithm>

namespace rtctl
{
  void TextTable::print(std::ostream& out) const
  {
    std::vector<size_t> widths;
    for (const auto& row : m_rows)
    {
      if (widths.size() < row.size())
        widths.resize(row.size(), 0);
      for (size_t i = 0; i < row.size(); ++i)
        widths[i] = std::max(widths[i], row[i].size());
    }
    for (const auto& row : m_rows)
    {
      std::string line = m_indent;
      for (size_t i = 0; i < row.size(); ++i)
      {
        line += row[i];
        if (i + 1 < row.size())
          line += std::string(widths[i] - row[i].size() + 2, ' ');
      }
      // A last cell left empty leaves no trailing blanks.
      line.erase(line.find_last_not_of(' ') + 1);
      out << line << '\n';
    }
  }
}
