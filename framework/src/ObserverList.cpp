#include "kel/ObserverList.h"

#include <algorithm>

namespace kel {

void ObserverList::AddRegistration(IObserver* observer, void* cookie) {
  platform::ScopedLock hold(lock_);
  if (notifying_ || observer == nullptr) return;
  registrations_.push_back(Registration{observer, cookie});
}

void ObserverList::RemoveRegistration(IObserver* observer) {
  platform::ScopedLock hold(lock_);
  if (notifying_) return;
  if (observer == nullptr) {
    registrations_.clear();
    return;
  }
  const auto oldest = std::find_if(registrations_.begin(), registrations_.end(),
                                   [&](const Registration& r) { return r.observer == observer; });
  if (oldest != registrations_.end()) registrations_.erase(oldest);
}

// The destructor that calls this runs once, so no notice is under way yet.
void ObserverList::NotifyAll(const void* sender) {
  platform::ScopedLock hold(lock_);
  notifying_ = true;
  for (const Registration& registration : registrations_) {
    registration.observer->Notify(sender, IObject::kContractId, kDestroyedEvent, nullptr,
                                  registration.cookie);
  }
  notifying_ = false;
}

}  // namespace kel
