// kel::Singleton: the one shared instance of a plug-in class.
#pragma once

#include "kel/ManualLifetime.h"
#include "kel/ObjectLifetime.h"
#include "kel/ObjectPtr.h"
#include "kel/Platform.h"
#include "kel/Types.h"

namespace kel {

// Creates the one instance of Class on the first GetInstance and keeps one reference to it
// in the module-global holder until the module is unloaded. Adds no data to the instance.
//
// Not thread-safe: the first call is made during module load, which the loader serialises.
template <class Class, class Interface>
class Singleton {
 public:
  using SingletonInterface = Interface;

  // Writes the instance through `out` with one more reference and returns 0; -4 when `out`
  // is null, in which case nothing is created or set up. Once the module's exit list has
  // given the holder's reference back, there is no instance any more: writes null and
  // returns -1 (code that runs while the instance is destroyed finds nothing).
  static ResultCode GetInstance(Interface** out) {
    if (out == nullptr) return result::kNullObjectOut;
    if (holderReleased_) {
      *out = nullptr;
      return result::kNotFound;
    }
    if (!holderSetUp_) {
      holder_.Construct();
      holderSetUp_ = true;
      platform::RegisterModuleExit(&ReleaseHolder);
    }
    ObjectPtr<Interface>& holder = holder_.Get();
    if (!holder) holder = ObjectLifetime::Create<Class>();
    holder.CopyTo(out);
    return result::kOk;
  }

 private:
  // Runs from the module's exit list: gives the holder's reference back exactly once, after
  // emptying the holder, so that nothing reaches the instance through it while it goes.
  static void ReleaseHolder() noexcept {
    holderReleased_ = true;
    holder_.Get().Reset();
  }

  static inline bool holderSetUp_ = false;
  static inline bool holderReleased_ = false;
  static inline ManualLifetime<ObjectPtr<Interface>> holder_;
};

}  // namespace kel
