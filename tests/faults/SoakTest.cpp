// A long stream through TrimulComp: every value makes the whole trip (none lost, none changed,
// none out of order), the process's resident memory does not grow with the number of samples,
// and, in the AddressSanitizer build, the process ends without a leak report.
//
// SOAK_SAMPLES sets the length. The default keeps CI short and still runs well past the point
// where buffers and connections have settled (the memory baseline is taken after 10,000); the
// full run is SOAK_SAMPLES=1000000 (see tests/faults/README.md).
//
// The peer paces itself by a window: at most 4 values are on their way at once, fewer than
// Trimul's input buffer holds (8), so the stream runs at the highest rate the chain sustains and
// no value can be overwritten while waiting; a loss is then a fault, not a rate too high.
#include "FaultProcesses.h"

#include "testsupport/NameServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace std::chrono_literals;

namespace
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  constexpr bool kSanitized = true;
  constexpr long kDefaultSamples = 30000;
#else
  constexpr bool kSanitized = false;
  constexpr long kDefaultSamples = 200000;
#endif
  constexpr long kBaselineAfter = 10000;
  constexpr long kGrowthAllowedKiB = 1024;

  long soakSamples()
  {
    const char* text = std::getenv("SOAK_SAMPLES");
    const long n = text != nullptr ? std::atol(text) : 0;
    return n > kBaselineAfter ? n : kDefaultSamples;
  }
}

TEST(Soak, EverySampleMakesTheTripAndMemoryStaysFlat)
{
  const long samples = soakSamples();
  testsupport::NameServer ns;
  faults::TrimulCompProcess sut(ns.address(), {}, {"exec_cxt.periodic.rate:20000"});
  faults::PeerProcess peer(
    ns.corbaloc(), {"--window", "4", "--count", std::to_string(samples), "--pause-at", std::to_string(kBaselineAfter)});
  ASSERT_TRUE(peer.waitConnected(30s)) << peer.diagnosis() << sut.process().stderrText();

  ASSERT_TRUE(peer.waitText("paused " + std::to_string(kBaselineAfter) + "\n", 120s)) << peer.diagnosis();
  const long baselineKiB = sut.residentKiB();
  ASSERT_GT(baselineKiB, 0);
  peer.send("resume");

  // The bound is generous: a sanitized build on a loaded machine is many times slower.
  ASSERT_TRUE(peer.waitText("done\n", std::chrono::minutes(14))) << peer.diagnosis();
  const long finalKiB = sut.residentKiB();
  const faults::PeerStatus s = peer.status();
  std::cout << samples << " samples; VmRSS " << baselineKiB << " KiB after " << kBaselineAfter << ", " << finalKiB
            << " KiB at the end" << std::endl;

  EXPECT_EQ(samples, s.sent);
  EXPECT_EQ(0, s.failed);
  for (size_t k = 0; k < 3; ++k)
  {
    SCOPED_TRACE("y" + std::to_string(k + 1));
    EXPECT_EQ(samples, s.mine[k]);
    EXPECT_EQ(0, s.gaps[k]);
    EXPECT_EQ(0, s.bad[k]);
    EXPECT_EQ(0, s.disorder[k]);
    EXPECT_EQ(0, s.others[k]);
  }
  // A sanitizer holds freed memory back for a while, so its resident size says nothing here.
  if (!kSanitized)
  {
    EXPECT_LE(finalKiB - baselineKiB, kGrowthAllowedKiB);
  }

  EXPECT_TRUE(peer.quit()) << peer.diagnosis();
  EXPECT_EQ(0, sut.stop()) << sut.process().stderrText();
  // Under AddressSanitizer, LeakSanitizer runs at exit and fails the exit status; the text check
  // also covers reports that do not change it.
  EXPECT_EQ(std::string::npos, sut.process().stderrText().find("Sanitizer")) << sut.process().stderrText();
}
