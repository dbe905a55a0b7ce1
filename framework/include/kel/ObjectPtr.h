// kel::ObjectPtr: the owning handle of one reference to a kel object.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "kel/IObjectBase.h"

namespace kel {

template <class T>
class ObjectPtr;

// Marks a pointer whose reference the receiving handle adopts instead of adding one.
template <class T>
struct AdoptedRef {
  T* pointer;
};

// Hands an already counted reference to a handle: `ObjectPtr<T> p = AdoptRef(raw);`.
template <class T>
[[nodiscard]] AdoptedRef<T> AdoptRef(T* pointer) noexcept {
  return AdoptedRef<T>{pointer};
}

// Owns at most one reference. Taking a pointer adds a reference; assignment adds the new
// reference before it gives back the old one, so assigning an object the handle already
// holds never destroys it; destruction and Reset give the reference back.
template <class T>
class ObjectPtr {
 public:
  constexpr ObjectPtr() noexcept = default;
  constexpr ObjectPtr(std::nullptr_t) noexcept {}  // NOLINT(google-explicit-constructor)
  explicit ObjectPtr(T* pointer) noexcept : pointer_(pointer) { AddRefIfSet(pointer_); }
  ObjectPtr(AdoptedRef<T> adopted) noexcept  // NOLINT(google-explicit-constructor)
      : pointer_(adopted.pointer) {}
  ObjectPtr(const ObjectPtr& other) noexcept : ObjectPtr(other.pointer_) {}
  ObjectPtr(ObjectPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  ObjectPtr(const ObjectPtr<U>& other) noexcept  // NOLINT(google-explicit-constructor)
      : ObjectPtr(static_cast<T*>(other.Get())) {}

  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  ObjectPtr(ObjectPtr<U>&& other) noexcept  // NOLINT(google-explicit-constructor)
      : pointer_(other.Detach()) {}

  ~ObjectPtr() { ReleaseIfSet(pointer_); }

  ObjectPtr& operator=(const ObjectPtr& other) noexcept {
    Assign(other.pointer_);
    return *this;
  }
  ObjectPtr& operator=(ObjectPtr&& other) noexcept {
    T* old = std::exchange(pointer_, std::exchange(other.pointer_, nullptr));
    ReleaseIfSet(old);
    return *this;
  }
  ObjectPtr& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }
  // Adds a reference to `pointer` first, then stores it, then gives back the old one.
  void Assign(T* pointer) noexcept {
    AddRefIfSet(pointer);
    T* old = std::exchange(pointer_, pointer);
    ReleaseIfSet(old);
  }
  void Reset() noexcept { ReleaseIfSet(std::exchange(pointer_, nullptr)); }

  // For an operation that writes a new reference: gives back what the handle holds and
  // lends the address of its (now null) pointer; what is written there is adopted.
  [[nodiscard]] T** Put() noexcept {
    Reset();
    return &pointer_;
  }
  // Put() for operations typed with an untyped out-parameter, such as QueryInterface.
  [[nodiscard]] void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

  // Gives up the reference without releasing it; the caller now owns it.
  [[nodiscard]] T* Detach() noexcept { return std::exchange(pointer_, nullptr); }

  T* Get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  T& operator*() const noexcept { return *pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

  // Writes the held pointer through `out` with one more reference for the receiver.
  void CopyTo(T** out) const noexcept {
    AddRefIfSet(pointer_);
    *out = pointer_;
  }

  friend bool operator==(const ObjectPtr& a, const ObjectPtr& b) noexcept {
    return a.pointer_ == b.pointer_;
  }
  friend bool operator==(const ObjectPtr& a, std::nullptr_t) noexcept {
    return a.pointer_ == nullptr;
  }

 private:
  static void AddRefIfSet(T* pointer) noexcept {
    if (pointer != nullptr) pointer->AddRef();
  }
  static void ReleaseIfSet(T* pointer) noexcept {
    if (pointer != nullptr) pointer->Release();
  }

  T* pointer_ = nullptr;
};

// Queries `object` for interface I by its contract id. Empty when `object` is empty or
// does not answer.
template <class I, class T>
[[nodiscard]] ObjectPtr<I> QueryAs(const ObjectPtr<T>& object) {
  ObjectPtr<I> result;
  if (object && object->QueryInterface(I::kContractId, result.PutVoid()) < 0) result.Reset();
  return result;
}

}  // namespace kel
