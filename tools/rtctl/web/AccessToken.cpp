#include "web/AccessToken.h"

#include "client/Error.h"

#include <cstdio>
#include <fstream>

namespace rtctl
{
  std::string AccessToken::generate()
  {
    unsigned char bits[16];
    std::ifstream random("/dev/urandom", std::ios::binary);
    if (!random.read(reinterpret_cast<char*>(bits), sizeof bits))
      throw Error("cannot read /dev/urandom for the web view's token");
    std::string hex;
    for (unsigned char b : bits)
    {
      char two[3];
      std::snprintf(two, sizeof two, "%02x", b);
      hex += two;
    }
    return hex;
  }

  bool AccessToken::equal(const std::string& a, const std::string& b)
  {
    if (a.size() != b.size())
      return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < a.size(); ++i)
      difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
  }
}
