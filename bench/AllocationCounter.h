// Counts the calls of the global allocation functions, which this executable replaces. The
// module file binds to them too: the executable exports them, as the C++ runtime uses them.
#pragma once

#include <cstdint>

namespace kel::bench {

// Allocations made on the calling thread since it started. Benchmarks run on one thread, so
// the difference around a call is what that call allocated.
std::uint64_t AllocationCount() noexcept;

// The allocations made while `work` runs.
template <class Work>
std::uint64_t AllocationsDuring(Work&& work) {
  const std::uint64_t before = AllocationCount();
  work();
  return AllocationCount() - before;
}

}  // namespace kel::bench
