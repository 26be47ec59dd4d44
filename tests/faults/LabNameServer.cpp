#include "LabNameServer.h"

#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <filesystem>

using namespace std::chrono_literals;

namespace faults
{
  LabNameServer::LabNameServer(const Placement& where) : m_dir(testsupport::makeTempFolder("trimul-labnames."))
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
