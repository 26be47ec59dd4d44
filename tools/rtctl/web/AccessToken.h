// The secret that a server reachable from other hosts asks of every request: 128 random bits,
// as hex, handed to the user in the address serve prints.
#pragma once

#include <string>

namespace rtctl
{
  class AccessToken
  {
  public:
    // Throws Error when the system has no randomness to give.
    static std::string generate();
    // Compares in a time that does not depend on where the two differ, so that the answer's
    // timing does not tell a guesser how much of a guess was right.
    static bool equal(const std::string& a, const std::string& b);
  };
}
