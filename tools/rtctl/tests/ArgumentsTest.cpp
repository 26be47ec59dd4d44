#include "client/Arguments.h"
#include "client/Error.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    TEST(Arguments, FlagsValuesAndPositionalsAreSeparated)
    {
      const Arguments sut({"-l", "path", "-e", "2", "--timeout=1.5"}, {"-l"}, {"-e", "--timeout"});
      EXPECT_TRUE(sut.has("-l"));
      EXPECT_EQ("2", sut.value("-e"));
      EXPECT_EQ("1.5", sut.value("--timeout"));
      EXPECT_EQ(std::vector<std::string>{"path"}, sut.positional());
    }

    TEST(Arguments, NegativeNumbersAreValuesNotOptions)
    {
      const Arguments sut({"p:x1", "-5", "-0.5", "-2147483648"}, {}, {"-c"});
      EXPECT_EQ((std::vector<std::string>{"p:x1", "-5", "-0.5", "-2147483648"}), sut.positional());
    }

    TEST(Arguments, DoubleDashEndsOptions)
    {
      const Arguments sut({"--", "-l", "--x"}, {"-l"}, {});
      EXPECT_FALSE(sut.has("-l"));
      EXPECT_EQ(2u, sut.positional().size());
    }

    TEST(Arguments, RepeatedOptionKeepsEveryValueInOrder)
    {
      const Arguments sut({"-p", "a=1", "-p", "b=2"}, {}, {"-p"});
      EXPECT_EQ((std::vector<std::string>{"a=1", "b=2"}), sut.values("-p"));
    }

    TEST(Arguments, UnknownOptionOrMissingValueIsAUsageError)
    {
      EXPECT_THROW(Arguments({"-x"}, {"-l"}, {}), UsageError);
      EXPECT_THROW(Arguments({"-e"}, {}, {"-e"}), UsageError);
    }

    TEST(Arguments, NumbersOutOfRangeOrMalformedAreUsageErrors)
    {
      EXPECT_THROW(Arguments({"-e", "x"}, {}, {"-e"}).integer("-e", 0, 0, 9), UsageError);
      EXPECT_THROW(Arguments({"-e", "10"}, {}, {"-e"}).integer("-e", 0, 0, 9), UsageError);
      EXPECT_THROW(Arguments({"-r", "-1"}, {}, {"-r"}).real("-r", 0, 0), UsageError);
      EXPECT_THROW(Arguments({"-r", "nan"}, {}, {"-r"}).real("-r", 0, 0), UsageError);
      EXPECT_EQ(7, Arguments({}, {}, {"-e"}).integer("-e", 7, 0, 9));
      EXPECT_DOUBLE_EQ(2.5, Arguments({"-r", "2.5"}, {}, {"-r"}).real("-r", 0, 0));
    }
  }
}
