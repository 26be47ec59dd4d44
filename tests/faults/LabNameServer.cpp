#include "LabNameServer.h"

#include "testsupport/Wait.h"

#include <unistd.h>

#include <filesystem>
#include <stdexcept>

using namespace std::chrono_literals;

namespace faults
{
  namespace
  {
    std::string makeDir()
    {
      std::string pattern = (std::filesystem::temp_directory_path() / "trimul-labnames.XXXXXX").string();
      if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create " + pattern);
      return pattern;
    }
  }

  LabNameServer::LabNameServer(const Placement& where) : m_dir(makeDir())
  {
    m_process = std::make_unique<testsupport::ChildProcess>(
      "ip", std::vector<std::string>{"netns", "exec", where.netns, "omniNames", "-start", "2809", "-datadir", m_dir,
                                     "-ORBendPoint", "giop:tcp:" + where.address + ":2809"});
    m_ready = testsupport::waitUntil([this] { return log().find("Root context is") != std::string::npos; }, 15s);
  }

  LabNameServer::~LabNameServer()
  {
    m_process.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }

  std::string LabNameServer::log() const { return m_process->stdoutText() + m_process->stderrText(); }
}
