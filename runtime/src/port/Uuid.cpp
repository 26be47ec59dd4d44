#include "port/Uuid.h"

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <random>

namespace rtm
{
  std::string generateUuid()
  {
    // Seeded once from the system's entropy source; a port may be connected from several ORB
    // threads at once, hence the lock.
    static std::mutex mutex;
    static std::mt19937_64 engine(std::random_device{}());
    std::uint8_t bytes[16];
    {
      std::lock_guard<std::mutex> lock(mutex);
      for (int i = 0; i < 16; i += 8)
      {
        const std::uint64_t word = engine();
        for (int j = 0; j < 8; ++j)
          bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
      }
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0f) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3f) | 0x80);  // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10],
                  bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
  }
}
