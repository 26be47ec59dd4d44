// What the header and dynamic section of a would-be module say, read from its bytes alone: whether
// it is a shared object this program could load (same class, byte order and machine, a library
// and not a program), and which libraries it asks the dynamic linker for (DT_NEEDED).
//
// The bytes come from a file anyone who reaches the manager may name, so every offset in them is
// checked against the buffer before it is followed; nothing here opens or maps the file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rtm
{
  class ElfReader
  {
  public:
    // False with a one-line `error` (what is wrong, without the file's name) when `data` is not a
    // loadable shared object for this machine. `data` is the whole file.
    bool read(const unsigned char* data, std::size_t size, std::string& error);

    // The DT_NEEDED names, in the file's order; valid after read() returned true.
    const std::vector<std::string>& needed() const { return m_needed; }

  private:
    // Copies sizeof(T) bytes at `offset` into `out`; false if they are not all inside the buffer.
    template <class T>
    bool at(std::size_t offset, T& out) const;
    // Translates an address of the loaded image into a file offset through the PT_LOAD segments.
    bool offsetOf(std::size_t address, std::size_t& offset) const;
    bool readDynamic(std::size_t offset, std::size_t size, std::string& error);

    const unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
    struct Segment
    {
      std::size_t address;
      std::size_t offset;
      std::size_t fileSize;
    };
    std::vector<Segment> m_loads;
    std::vector<std::string> m_needed;
  };
}
