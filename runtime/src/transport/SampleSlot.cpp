#include "transport/SampleSlot.h"

namespace rtm
{
  SampleSlot::SampleSlot(const SampleOps& ops) : m_ops(&ops), m_owned(ops.create()), m_sample(m_owned.get()) {}

  SampleSlot::SampleSlot(const SampleOps& ops, void* sample) : m_ops(&ops), m_sample(sample) {}

  SampleSlot::SampleSlot(const SampleSlot& other) : m_ops(other.m_ops)
  {
    if (other.m_sample == nullptr)
      return;
    m_owned = m_ops->create();
    m_sample = m_owned.get();
    m_ops->copy(m_sample, other.m_sample);
  }

  SampleSlot& SampleSlot::operator=(const SampleSlot& other)
  {
    if (this == &other || other.m_sample == nullptr)
      return *this;
    if (m_sample == nullptr)
    {
      m_ops = other.m_ops;
      m_owned = m_ops->create();
      m_sample = m_owned.get();
    }
    m_ops->copy(m_sample, other.m_sample);
    return *this;
  }
}
