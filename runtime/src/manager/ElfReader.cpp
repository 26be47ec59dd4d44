#include "manager/ElfReader.h"

#include <cstring>
#include <elf.h>
#include <link.h>

// The linker's name for the first byte of this program's own ELF header: the class, byte order
// and machine a module must share with us are the ones we were built with.
extern "C" const ElfW(Ehdr) __ehdr_start;  // NOLINT(bugprone-reserved-identifier): the linker names it

namespace rtm
{
  namespace
  {
    // An image of more entries than this is not a module anyone built; the bound keeps a crafted
    // header from making the loops below long.
    const std::size_t kMostEntries = 1u << 16;

    bool fits(std::size_t offset, std::size_t length, std::size_t size)
    {
      return offset <= size && length <= size - offset;
    }
  }

  template <class T>
  bool ElfReader::at(std::size_t offset, T& out) const
  {
    if (!fits(offset, sizeof(T), m_size))
      return false;
    std::memcpy(&out, m_data + offset, sizeof(T));
    return true;
  }

  bool ElfReader::read(const unsigned char* data, std::size_t size, std::string& error)
  {
    m_data = data;
    m_size = size;
    m_loads.clear();
    m_needed.clear();
    error.clear();

    ElfW(Ehdr) header;
    if (!at(0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0)
    {
      error = "not an ELF file";
      return false;
    }
    const ElfW(Ehdr)& own = __ehdr_start;
    if (header.e_ident[EI_CLASS] != own.e_ident[EI_CLASS] || header.e_ident[EI_DATA] != own.e_ident[EI_DATA] ||
        header.e_machine != own.e_machine)
    {
      error = "built for another machine (ELF class, byte order or machine differ from this program's)";
      return false;
    }
    if (header.e_type != ET_DYN)
    {
      error = "not a shared object (ELF type " + std::to_string(header.e_type) + ")";
      return false;
    }
    if (header.e_phentsize != sizeof(ElfW(Phdr)) || header.e_phnum == 0 ||
        !fits(header.e_phoff, std::size_t(header.e_phnum) * sizeof(ElfW(Phdr)), size))
    {
      error = "its program header table is malformed";
      return false;
    }

    bool haveDynamic = false;
    std::size_t dynamicOffset = 0;
    std::size_t dynamicSize = 0;
    for (std::size_t i = 0; i < header.e_phnum; ++i)
    {
      ElfW(Phdr) segment{};
      at(header.e_phoff + i * sizeof(ElfW(Phdr)), segment);  // inside: checked for the table above
      if (segment.p_type == PT_LOAD)
        m_loads.push_back({std::size_t(segment.p_vaddr), std::size_t(segment.p_offset), std::size_t(segment.p_filesz)});
      else if (segment.p_type == PT_DYNAMIC && !haveDynamic)
      {
        haveDynamic = true;
        dynamicOffset = segment.p_offset;
        dynamicSize = segment.p_filesz;
      }
    }
    if (!haveDynamic)
    {
      error = "not a shared object (no dynamic section)";
      return false;
    }
    return readDynamic(dynamicOffset, dynamicSize, error);
  }

  bool ElfReader::offsetOf(std::size_t address, std::size_t& offset) const
  {
    for (const Segment& load : m_loads)
    {
      if (address >= load.address && address - load.address < load.fileSize)
      {
        offset = load.offset + (address - load.address);
        return offset >= load.offset;  // false on a wrap-around
      }
    }
    return false;
  }

  bool ElfReader::readDynamic(std::size_t offset, std::size_t size, std::string& error)
  {
    if (!fits(offset, size, m_size) || size / sizeof(ElfW(Dyn)) > kMostEntries)
    {
      error = "its dynamic section lies outside the file";
      return false;
    }
    std::vector<std::size_t> neededAt;
    std::size_t stringsAddress = 0;
    std::size_t stringsSize = 0;
    bool haveStrings = false;
    bool ended = false;
    for (std::size_t i = 0; i < size / sizeof(ElfW(Dyn)) && !ended; ++i)
    {
      ElfW(Dyn) entry;
      at(offset + i * sizeof(ElfW(Dyn)), entry);  // inside: checked for the section above
      switch (entry.d_tag)
      {
        case DT_NULL:
          ended = true;
          break;
        case DT_NEEDED:
          neededAt.push_back(entry.d_un.d_val);
          break;
        case DT_STRTAB:
          stringsAddress = entry.d_un.d_ptr;
          haveStrings = true;
          break;
        case DT_STRSZ:
          stringsSize = entry.d_un.d_val;
          break;
        case DT_FLAGS_1:
          // The dynamic linker refuses to open a position-independent program as a library.
          if ((entry.d_un.d_val & DF_1_PIE) != 0)
          {
            error = "a program, not a shared object";
            return false;
          }
          break;
        default:
          break;
      }
    }
    if (neededAt.empty())
      return true;
    std::size_t strings = 0;
    if (!haveStrings || !offsetOf(stringsAddress, strings) || !fits(strings, stringsSize, m_size))
    {
      error = "its dynamic string table lies outside the file";
      return false;
    }
    for (std::size_t nameAt : neededAt)
    {
      const void* end =
        nameAt < stringsSize ? std::memchr(m_data + strings + nameAt, 0, stringsSize - nameAt) : nullptr;
      if (end == nullptr)
      {
        error = "a needed library's name lies outside its string table";
        return false;
      }
      m_needed.emplace_back(reinterpret_cast<const char*>(m_data + strings + nameAt));
    }
    return true;
  }
}
