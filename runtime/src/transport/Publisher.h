// How an output port's connection passes on each written sample: at once in the writer's thread
// (flush), through a thread of its own (new, periodic), or into a buffer a pulling peer reads.
#pragma once

#include "transport/SendStatus.h"

#include <omniORB4/CORBA.h>

#include <cstddef>

namespace rtm
{
  class Publisher
  {
  public:
    virtual ~Publisher() = default;
    // `data` is one encoded sample, valid only during the call. Never throws.
    virtual SendStatus write(const CORBA::Octet* data, std::size_t length) noexcept = 0;
    // True once the peer was found gone outside a write() (by a publisher thread).
    virtual bool lost() const noexcept { return false; }
    // The owning component entered or left ACTIVE.
    virtual void activate() noexcept {}
    virtual void deactivate() noexcept {}
    // Stops threads and servants; called once, when the connection goes. write() may still be
    // called afterwards by a writer that took the connection list just before, and does no harm.
    virtual void shutdown() noexcept {}
  };
}
