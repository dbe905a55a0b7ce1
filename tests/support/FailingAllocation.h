// Allocation-failure injection for this test executable, whose global operator new is
// replaced: while a FailingAllocation is alive, the allocation after the first `allowed`
// ones throws std::bad_alloc. Single-threaded use only; the counts are plain.
#pragma once

class FailingAllocation {
 public:
  explicit FailingAllocation(long allowed) noexcept;
  ~FailingAllocation();
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;

  // Allocations made through the replaced operator new and not yet deleted, since the
  // process started: equal before and after an operation that leaks nothing.
  static long LiveAllocations() noexcept;
};
