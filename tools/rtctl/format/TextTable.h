// Rows of cells printed in aligned columns, two spaces apart, the last column unpadded.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace rtctl
{
  class TextTable
  {
  public:
    explicit TextTable(std::string indent = "") : m_indent(std::move(indent)) {}
    void add(std::vector<std::string> row) { m_rows.push_back(std::move(row)); }
    bool empty() const { return m_rows.empty(); }
    void print(std::ostream& out) const;

  private:
    std::string m_indent;
    std::vector<std::vector<std::string>> m_rows;
  };
}
