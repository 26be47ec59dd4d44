// A target that crashes on purpose on inputs starting with "crash", so a test can check that
// run-fuzzer turns a crash into a failure: a runner that lost the exit code would make every
// fuzz test pass, whatever the targets do.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size >= 5 && std::memcmp(data, "crash", 5) == 0)
  {
    std::abort();
  }
  return 0;
}
