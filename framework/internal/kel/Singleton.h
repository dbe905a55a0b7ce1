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
  // is null, in which case nothing is created or set up.
  static ResultCode GetInstance(Interface** out) {
    if (out == nullptr) return result::kNullObjectOut;
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
  // Runs from the module's exit list: gives the holder's reference back exactly once. The
  // holder's storage is never destroyed, so the reference is not given back a second time.
  static void ReleaseHolder() noexcept {
    if (Interface* instance = holder_.Get().Get()) instance->Release();
  }

  static inline bool holderSetUp_ = false;
  static inline ManualLifetime<ObjectPtr<Interface>> holder_;
};

}  // namespace kel
