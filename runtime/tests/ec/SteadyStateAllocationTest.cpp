// The tick path allocates nothing once running: every allocation in this program is counted per
// thread, and a component reads the context thread's count from inside on_execute.
#include "EcTestBed.h"
#include "testsupport/AllocationCounter.h"

#include <array>
#include <atomic>

namespace
{

  using ectest::Activated;
  using ectest::PlainObject;

  // Allocates nothing itself, so whatever the count shows comes from the loop.
  class AllocationProbe : public rtm::ComponentCallbacks
  {
  public:
    static constexpr std::size_t kSamples = 200;

    RTC::ReturnCode_t on_execute(RTC::ExecutionContextHandle_t) override
    {
      const std::size_t i = m_taken.load();
      if (i < kSamples)
      {
        m_counts[i] = testsupport::threadAllocations();
        m_taken.store(i + 1);
      }
      return RTC::RTC_OK;
    }
    RTC::ReturnCode_t on_state_update(RTC::ExecutionContextHandle_t) override { return RTC::RTC_OK; }
    RTC::ReturnCode_t on_startup(RTC::ExecutionContextHandle_t) override { return RTC::RTC_OK; }
    RTC::ReturnCode_t on_shutdown(RTC::ExecutionContextHandle_t) override { return RTC::RTC_OK; }
    RTC::ReturnCode_t on_activated(RTC::ExecutionContextHandle_t) override { return RTC::RTC_OK; }
    RTC::ReturnCode_t on_deactivated(RTC::ExecutionContextHandle_t) override { return RTC::RTC_OK; }
    RTC::ReturnCode_t on_aborting(RTC::ExecutionContextHandle_t) override { return RTC::RTC_OK; }
    RTC::ReturnCode_t on_error(RTC::ExecutionContextHandle_t) override { return RTC::RTC_OK; }
    RTC::ReturnCode_t on_reset(RTC::ExecutionContextHandle_t) override { return RTC::RTC_OK; }
    RTC::ReturnCode_t on_rate_changed(RTC::ExecutionContextHandle_t) override { return RTC::RTC_OK; }

    bool full() const { return m_taken.load() == kSamples; }
    // Read only once full(): the loop writes no more after that.
    std::uint64_t at(std::size_t i) const { return m_counts[i]; }

  private:
    std::atomic<std::size_t> m_taken{0};
    std::array<std::uint64_t, kSamples> m_counts{};
  };

}  // namespace

TEST(SteadyState, TicksAllocateNothing)
{
  Activated<PlainObject> ownerObject(new PlainObject);
  RTC::RTObject_var owner = RTC::RTObject::_unchecked_narrow(ownerObject.ref());
  PortableServer::POA_var poa = ectest::rootPoa();
  PortableServer::Servant_var<rtm::PeriodicExecutionContext> sut = new rtm::PeriodicExecutionContext(poa.in());
  auto probe = std::make_unique<AllocationProbe>();
  AllocationProbe& samples = *probe;
  sut->set_rate(2000.0);
  sut->bindOwner(std::move(probe), owner.in());
  ASSERT_EQ(RTC::RTC_OK, sut->start());
  ASSERT_EQ(RTC::RTC_OK, sut->activate_component(owner.in()));

  const bool sampled = testsupport::waitUntil([&] { return samples.full(); }, std::chrono::seconds(10));
  // The first ticks may still size the loop's reusable buffers. Read before destroy(), which
  // releases the probe.
  const std::uint64_t early = sampled ? samples.at(10) : 0;
  const std::uint64_t late = sampled ? samples.at(AllocationProbe::kSamples - 1) : 0;
  sut->destroy();

  ASSERT_TRUE(sampled);
  EXPECT_EQ(early, late);
}
