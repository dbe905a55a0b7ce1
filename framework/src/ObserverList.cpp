#include "kel/ObserverList.h"

#include <algorithm>

namespace kel {

std::string ObserverList::MakeKey(ContractId contract, const char* event) {
  std::string key(contract);
  key += "::";
  key += event;
  return key;
}

void ObserverList::AddRegistration(ContractId contract, const char* event, IObserver* observer,
                                   void* cookie) {
  platform::ScopedLock hold(lock_);
  if (notifying_ || observer == nullptr) return;
  registrations_.push_back(Registration{MakeKey(contract, event), observer, cookie});
}

void ObserverList::RemoveRegistration(ContractId contract, const char* event, IObserver* observer) {
  platform::ScopedLock hold(lock_);
  if (notifying_) return;
  if (observer == nullptr) {
    registrations_.clear();
    return;
  }
  const std::string key = MakeKey(contract, event);
  const auto oldest =
      std::find_if(registrations_.begin(), registrations_.end(),
                   [&](const Registration& r) { return r.observer == observer && r.key == key; });
  if (oldest != registrations_.end()) registrations_.erase(oldest);
}

void ObserverList::NotifyAll(ContractId contract, const char* event, const void* sender) {
  platform::ScopedLock hold(lock_);
  if (notifying_) return;
  const std::string key = MakeKey(contract, event);
  notifying_ = true;
  for (const Registration& registration : registrations_) {
    if (registration.key != key) continue;
    registration.observer->Notify(sender, contract, event, nullptr, registration.cookie);
  }
  notifying_ = false;
}

std::size_t ObserverList::Size() {
  platform::ScopedLock hold(lock_);
  return registrations_.size();
}

}  // namespace kel
