#include "client/Error.h"
#include "commands/SubVerbs.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    struct Verb
    {
      const char* word;
      int number;
    };

    // A family refuses a word it does not know with its own hint, else with the list of its words.
    TEST(SubVerbs, EachWordFindsItsRowAndAnUnknownOneIsRefusedWithTheHint)
    {
      const SubVerbs<Verb> listed("subcommand", "", {{"up", 1}, {"down", 2}, {"check", 3}});
      const SubVerbs<Verb> hinted("action", "see --help", {{"", 0}, {"set", 1}});
      EXPECT_EQ(3, listed.find("check").number);
      EXPECT_EQ(0, hinted.find("").number);
      EXPECT_EQ("up, down or check", listed.words(" or "));
      const std::pair<const SubVerbs<Verb>*, const char*> unknown[] = {{&listed, "UP"}, {&hinted, "show"}};
      const char* const refusals[] = {"unknown subcommand 'UP' (up, down, check)",
                                      "unknown action 'show' (see --help)"};
      for (size_t i = 0; i < 2; ++i)
      {
        try
        {
          unknown[i].first->find(unknown[i].second);
          ADD_FAILURE() << unknown[i].second << " was found";
        }
        catch (const UsageError& e)
        {
          EXPECT_STREQ(refusals[i], e.what());
        }
      }
    }
  }
}
