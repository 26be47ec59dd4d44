// One sample of a type known only through its SampleOps, with value semantics, so that the
// type-independent RingBuffer can hold samples of any port type. A slot either owns its sample
// or views one that lives elsewhere (the sample a component bound to its port); assigning to a
// slot copies the value into whichever sample it has, allocating only while it has none.
#pragma once

#include <rtm/detail/SampleOps.h>

#include <memory>
#include <utility>

namespace rtm
{
  class SampleSlot
  {
  public:
    SampleSlot() = default;
    // Owns a new value-initialised sample.
    explicit SampleSlot(const SampleOps& ops);
    // Views `sample`, which must outlive the slot.
    SampleSlot(const SampleOps& ops, void* sample);
    SampleSlot(const SampleSlot& other);
    SampleSlot& operator=(const SampleSlot& other);

    void* get() const { return m_sample; }
    bool empty() const { return m_sample == nullptr; }

    // Trades the samples themselves, not their values: no copy, whatever the sample's size.
    friend void swap(SampleSlot& a, SampleSlot& b) noexcept
    {
      std::swap(a.m_ops, b.m_ops);
      std::swap(a.m_owned, b.m_owned);
      std::swap(a.m_sample, b.m_sample);
    }

  private:
    const SampleOps* m_ops = nullptr;
    std::shared_ptr<void> m_owned;
    void* m_sample = nullptr;
  };
}
