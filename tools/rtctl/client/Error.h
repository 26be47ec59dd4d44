// The one kind of failure a subcommand reports: a message for the user, already naming the thing
// that failed. main() prints it as "rtctl: <command>: <message>" and exits with the given status.
#pragma once

#include <stdexcept>
#include <string>

namespace rtctl
{
  enum ExitStatus
  {
    kExitOk = 0,
    kExitFailure = 1,  // the system refused or could not be reached
    kExitUsage = 2,  // the command line itself is wrong
  };

  class Error : public std::runtime_error
  {
  public:
    explicit Error(const std::string& message, int status = kExitFailure)
      : std::runtime_error(message), m_status(status)
    {}
    int status() const { return m_status; }

  private:
    int m_status;
  };

  // An object that is named but does not answer: its process is gone or cannot be reached.
  class UnreachableError : public Error
  {
  public:
    explicit UnreachableError(const std::string& message) : Error(message) {}
  };

  // A service that did not answer in time or could not be reached: what was asked of it, whether
  // a name is bound there say, cannot be told either way.
  class UnansweredError : public Error
  {
  public:
    explicit UnansweredError(const std::string& message) : Error(message) {}
  };

  class UsageError : public Error
  {
  public:
    explicit UsageError(const std::string& message) : Error(message, kExitUsage) {}
  };
}
