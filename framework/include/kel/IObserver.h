// The host's observer of object destruction.
#pragma once

#include "kel/IObjectBase.h"

namespace kel {

// Event key of the one event the module sends: contract "com.velkora.general.kel.IObject/1.0",
// event "Destroyed".
inline constexpr const char* kDestroyedEvent = "Destroyed";

class IObserver : public IObject {
 public:
  // Called with the notifying object's observer-state address (for comparison only: the
  // object is being destroyed), the event's contract and name, null event data and the
  // cookie given at registration. The result is not examined.
  virtual ResultCode Notify(const void* sender, ContractId contract, const char* event,
                            void* eventData, void* cookie) = 0;

 protected:
  ~IObserver() = default;
};

}  // namespace kel
