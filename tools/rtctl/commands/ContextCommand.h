// start, stop and rate: what a user asks of one execution context of a component as a whole
// (every component in it is affected), rather than of the component's state in it.
#pragma once

#include "client/Command.h"
#include "commands/SubVerbs.h"

#include <string>

namespace rtctl
{
  class ContextCommand : public Command
  {
  public:
    enum Request
    {
      kStart,
      kStop,
      kRate,
    };

    // One of the verbs by its word ("start"); UsageError for another word.
    explicit ContextCommand(const std::string& word) : m_verb(verbs().find(word)) {}
    const char* name() const override { return m_verb.word; }
    const char* summary() const override { return m_verb.summary; }
    const char* usage() const override { return m_verb.usage; }
    int run(const std::vector<std::string>& args) override;

    // "200", "0.5", "-1": the rate a user typed, in Hz. Zero and negative rates are passed on
    // for the context to refuse, as it does for any client; a word, an empty text or a value
    // that is not finite is a UsageError.
    static double parseRate(const std::string& text);
    // 1000 → "1000", 0.5 → "0.5": as many digits as the rate needs, no trailing zeros.
    static std::string rateText(double rate);

  private:
    struct Verb
    {
      const char* word;
      Request request;
      const char* summary;  // rtctl --help
      const char* usage;  // rtctl WORD --help
    };
    static const SubVerbs<Verb>& verbs();

    const Verb& m_verb;
  };
}
