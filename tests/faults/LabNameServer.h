// omniNames on one host of a network lab, listening on that host's address, with its data in a
// folder of its own that goes away with the object.
#pragma once

#include "testsupport/ChildProcess.h"
#include "FaultProcesses.h"

#include <memory>
#include <string>

namespace faults
{
  class LabNameServer
  {
  public:
    // Returns once omniNames says it is ready, or after a bound: see ready().
    explicit LabNameServer(const Placement& where);
    ~LabNameServer();
    LabNameServer(const LabNameServer&) = delete;
    LabNameServer& operator=(const LabNameServer&) = delete;

    bool ready() const { return m_ready; }
    std::string log() const;

  private:
    std::string m_dir;
    std::unique_ptr<testsupport::ChildProcess> m_process;
    bool m_ready = false;
  };
}
