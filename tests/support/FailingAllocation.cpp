// The replaced allocation functions live alone in this file, so that no caller sees the
// malloc and free behind them (which would only confuse the compiler's pairing checks).
#include "FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {

// Allocations still allowed before one fails; negative means never fail.
long allocationsBeforeFailure = -1;
long liveAllocations = 0;

}  // namespace

FailingAllocation::FailingAllocation(long allowed) noexcept {
  allocationsBeforeFailure = allowed;
}

FailingAllocation::~FailingAllocation() {
  allocationsBeforeFailure = -1;
}

long FailingAllocation::LiveAllocations() noexcept {
  return liveAllocations;
}

void* operator new(std::size_t size) {
  if (allocationsBeforeFailure == 0) throw std::bad_alloc();
  if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) {
    ++liveAllocations;
    return memory;
  }
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
  if (memory != nullptr) --liveAllocations;
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  operator delete(memory);
}
