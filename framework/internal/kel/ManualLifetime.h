// Static storage whose object is constructed and destroyed only when the code says so.
#pragma once

#include <new>
#include <utility>

namespace kel {

// Trivially destructible, so a static instance registers nothing with the exit list: the
// module's start-up and shut-down order stays exactly the order of its own registrations.
template <class T>
class ManualLifetime {
 public:
  template <class... Args>
  T& Construct(Args&&... args) {
    return *::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
  }
  void Destroy() noexcept { Get().~T(); }
  T& Get() noexcept { return *std::launder(reinterpret_cast<T*>(storage_)); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace kel
