// The verbs of one family as rows of a table, each its word and what the family needs to run it
// (`system save`, `mgr load`, `conf PATH set`, `start`): every family finds a verb the same way and
// refuses a word it does not know before asking anything, where a chain of comparisons could end in
// a branch that takes whatever is left.
#pragma once

#include "client/Error.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace rtctl
{
  // `Verb` is a row type with a `const char* word` member.
  template <typename Verb>
  class SubVerbs
  {
  public:
    // `kind` ("subcommand", "action") and `hint` make the refusal of an unknown word:
    // "unknown action 'show' (set or activate; see --help)". An empty hint lists the words.
    SubVerbs(const char* kind, std::string hint, std::initializer_list<Verb> verbs)
      : m_kind(kind), m_hint(std::move(hint)), m_verbs(verbs)
    {
      if (m_hint.empty())
        m_hint = words(", ");
    }

    // The row of `word`; UsageError when the family has no such verb.
    const Verb& find(const std::string& word) const
    {
      for (const Verb& verb : m_verbs)
        if (word == verb.word)
          return verb;
      throw UsageError("unknown " + m_kind + " '" + word + "' (" + m_hint + ")");
    }

    // The words in order, separated by ", " and by `last` before the last one: "up, down or check".
    std::string words(const std::string& last) const
    {
      std::string text;
      for (size_t i = 0; i < m_verbs.size(); ++i)
        text += (i == 0 ? "" : i + 1 == m_verbs.size() ? last : ", ") + std::string(m_verbs[i].word);
      return text;
    }

  private:
    std::string m_kind;
    std::string m_hint;
    std::vector<Verb> m_verbs;
  };
}
