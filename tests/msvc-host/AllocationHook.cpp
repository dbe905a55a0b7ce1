// Linked into a test build of the module only: KelFailAllocation(n) makes the n-th allocation
// from then on fail (0 is the next one), once; a negative n disarms it.
#include <cstdlib>
#include <new>

namespace {
long allocationsBeforeFailure = -1;
}  // namespace

extern "C" __declspec(dllexport) void KelFailAllocation(long nth) {
  allocationsBeforeFailure = nth;
}

void* operator new(std::size_t size) {
  if (allocationsBeforeFailure >= 0 && allocationsBeforeFailure-- == 0) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
  std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}
