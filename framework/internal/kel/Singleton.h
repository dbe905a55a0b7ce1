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
// The instance stays reachable for as long as it lives, not only while the holder keeps it:
// a host that still holds the plug-in when the module's exit list has run (at process exit)
// keeps resolving its imports through it. Class calls InstanceEnds first thing in its
// destructor, so that code running while the instance is destroyed finds nothing.
//
// Not thread-safe: the first call is made during module load, which the loader serialises.
template <class Class, class Interface>
class Singleton {
 public:
  using SingletonInterface = Interface;

  // Writes the instance through `out` with one more reference and returns 0; -4 when `out`
  // is null, in which case nothing is created or set up. Once the instance has begun to be
  // destroyed (after the holder gave its reference back, the last Release), writes null and
  // returns -1; no instance is created after that.
  static ResultCode GetInstance(Interface** out) {
    if (out == nullptr) return result::kNullObjectOut;
    if (!holderSetUp_) {
      holder_.Construct();
      holderSetUp_ = true;
      platform::RegisterModuleExit(&ReleaseHolder);
    }
    ObjectPtr<Interface>& holder = holder_.Get();
    if (!holder && !holderReleased_) {
      holder = ObjectLifetime::Create<Class>();
      living_ = holder.Get();
    }
    if (living_ == nullptr) {
      *out = nullptr;
      return result::kNotFound;
    }
    living_->AddRef();
    *out = living_;
    return result::kOk;
  }

 protected:
  // From here on GetInstance finds nothing: the instance is being destroyed.
  static void InstanceEnds() noexcept { living_ = nullptr; }

 private:
  // Runs from the module's exit list: gives the holder's reference back exactly once.
  static void ReleaseHolder() noexcept {
    holderReleased_ = true;
    holder_.Get().Reset();
  }

  static inline bool holderSetUp_ = false;
  static inline bool holderReleased_ = false;
  static inline ManualLifetime<ObjectPtr<Interface>> holder_;
  static inline Interface* living_ = nullptr;  // the instance, not owned; null once it ends
};

}  // namespace kel
