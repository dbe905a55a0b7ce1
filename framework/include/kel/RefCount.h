// The atomic reference count every kel object carries.
#pragma once

#include <atomic>

#include "kel/Types.h"

namespace kel {

// Increment and decrement are sequentially consistent read-modify-writes, so references
// may be taken and given back on any thread and exactly one decrement observes 0. Reads
// for IsUnique and GetRefCount are plain (relaxed) and may be stale.
class AtomicRefCount {
 public:
  RefCount Increment() noexcept { return count_.fetch_add(1, std::memory_order_seq_cst) + 1; }
  RefCount Decrement() noexcept { return count_.fetch_sub(1, std::memory_order_seq_cst) - 1; }
  RefCount Load() const noexcept { return count_.load(std::memory_order_relaxed); }

 private:
  std::atomic<RefCount> count_{0};
};

}  // namespace kel
