// The one creation and destruction path of kel objects implemented in this tree.
#pragma once

#include <utility>

#include "kel/ObjectPtr.h"
#include "kel/RefCount.h"

namespace kel {

// Classes keep their constructors and destructors private and befriend ObjectLifetime, so
// an object is made only here and ends only through its last Release.
class ObjectLifetime {
 public:
  // Constructs T (count 0) and hands the creator the first reference. Exhausted memory
  // leaves as std::bad_alloc and nothing is left behind.
  template <class T, class... Args>
  [[nodiscard]] static ObjectPtr<T> Create(Args&&... args) {
    return ObjectPtr<T>(new T(std::forward<Args>(args)...));
  }

  // Gives back one reference of `object`; the decrement that reaches 0 destroys it.
  template <class T>
  static RefCount Release(T* object, AtomicRefCount& count) noexcept {
    const RefCount remaining = count.Decrement();
    if (remaining == 0) delete object;
    return remaining;
  }
};

}  // namespace kel
