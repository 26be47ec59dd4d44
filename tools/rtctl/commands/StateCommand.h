// activate, deactivate and reset: one request to one of the component's execution contexts,
// then a bounded wait until the component has reached the state asked for (StateRequest), so
// that a script can rely on the state once the command returns.
#pragma once

#include "client/Command.h"
#include "client/StateRequest.h"
#include "commands/SubVerbs.h"

namespace rtctl
{
  class StateCommand : public Command
  {
  public:
    // One of the verbs by its word ("activate"); UsageError for another word.
    explicit StateCommand(const std::string& word) : m_verb(verbs().find(word)) {}
    const char* name() const override { return m_verb.word; }
    const char* summary() const override { return m_verb.summary; }
    const char* usage() const override { return m_verb.usage; }
    int run(const std::vector<std::string>& args) override;

  private:
    struct Verb
    {
      const char* word;
      StateRequest::Kind request;
      const char* summary;  // rtctl --help
      const char* usage;  // rtctl WORD --help
    };
    static const SubVerbs<Verb>& verbs();

    const Verb& m_verb;
  };
}
