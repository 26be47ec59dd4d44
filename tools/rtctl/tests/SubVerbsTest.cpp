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

    // What a family says of a word it does not know is what its users read: with a hint of its
    // own ("set or activate; see --help"), else the list of its words.
    TEST(SubVerbs, EachWordFindsItsRowAndAnUnknownOneIsRefusedWithTheHint)
    {
      const SubVerbs<Verb> listed("subcommand", "", {{"up", 1}, {"down", 2}, {"check", 3}});
      const SubVerbs<Verb> hinted("action", "see --help", {{"", 0}, {"set", 1}});
      EXPECT_EQ(1, listed.find("up").number);
      EXPECT_EQ(3, listed.find("check").number);
      EXPECT_EQ(0, hinted.find("").number);
      EXPECT_EQ("up, down or check", listed.words(" or "));
      const struct
      {
        const SubVerbs<Verb>& family;
        std::string word;
        std::string refusal;
      } cases[] = {
        {listed, "restore", "unknown subcommand 'restore' (up, down, check)"},
        {listed, "", "unknown subcommand '' (up, down, check)"},
        {listed, "UP", "unknown subcommand 'UP' (up, down, check)"},
        {hinted, "show", "unknown action 'show' (see --help)"},
      };
      for (const auto& c : cases)
      {
        try
        {
          c.family.find(c.word);
          ADD_FAILURE() << c.word << " was found";
        }
        catch (const UsageError& e)
        {
          EXPECT_EQ(c.refusal, e.what());
        }
      }
    }
  }
}
