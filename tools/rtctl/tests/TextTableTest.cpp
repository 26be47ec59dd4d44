#include "format/TextTable.h"

#include <gtest/gtest.h>

#include <sstream>

namespace rtctl
{
  namespace
  {
    TEST(TextTable, ColumnsAlignOnTheLongestCellAndLinesEndWithoutBlanks)
    {
      TextTable sut("  ");
      sut.add({"x1", "in", "IDL:RTC/TimedLong:1.0"});
      sut.add({"long_name", "out", ""});
      std::ostringstream out;
      sut.print(out);
      EXPECT_EQ("  x1         in   IDL:RTC/TimedLong:1.0\n"
                "  long_name  out\n",
                out.str());
    }
  }
}
