// The one creation and destruction path of kel objects implemented in this tree.
#pragma once

#include <cstddef>
#include <utility>

#include "kel/ObjectPtr.h"
#include "kel/RefCount.h"

namespace kel {

// How many bytes an object asks for behind itself (ObjectLifetime::CreateWithTrailingBytes).
struct TrailingBytes {
  std::size_t count;
};

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

  // Constructs T (count 0) with `trailing` more bytes behind it in the same allocation, for
  // data that lives exactly as long as the object, and hands the creator the first
  // reference. T provides the allocation functions: `operator new(std::size_t,
  // TrailingBytes)`, an unsized `operator delete(void*)`, which its last Release calls, and
  // the matching placement `operator delete` if its constructor can throw.
  template <class T, class... Args>
  [[nodiscard]] static ObjectPtr<T> CreateWithTrailingBytes(std::size_t trailing, Args&&... args) {
    return ObjectPtr<T>(new (TrailingBytes{trailing}) T(std::forward<Args>(args)...));
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
