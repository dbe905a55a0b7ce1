#include "kel/ObserverList.h"

#include <algorithm>
#include <string_view>

namespace kel {

namespace {
constexpr std::string_view kKeySeparator = "::";
}  // namespace

std::string ObserverList::MakeKey(ContractId contract, const char* event) {
  std::string key(contract);
  key += kKeySeparator;
  key += event;
  return key;
}

// Compares without building the key, so that removal and the destruction notice allocate
// nothing (the notice runs in a destructor, where exhausted memory could not leave).
bool ObserverList::KeyEquals(std::string_view key, ContractId contract, const char* event) {
  const std::string_view first(contract);
  if (!key.starts_with(first)) return false;
  key.remove_prefix(first.size());
  if (!key.starts_with(kKeySeparator)) return false;
  key.remove_prefix(kKeySeparator.size());
  return key == event;
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
  const auto oldest =
      std::find_if(registrations_.begin(), registrations_.end(), [&](const Registration& r) {
        return r.observer == observer && KeyEquals(r.key, contract, event);
      });
  if (oldest != registrations_.end()) registrations_.erase(oldest);
}

void ObserverList::NotifyAll(ContractId contract, const char* event, const void* sender) {
  platform::ScopedLock hold(lock_);
  if (notifying_) return;
  notifying_ = true;
  for (const Registration& registration : registrations_) {
    if (!KeyEquals(registration.key, contract, event)) continue;
    registration.observer->Notify(sender, contract, event, nullptr, registration.cookie);
  }
  notifying_ = false;
}

}  // namespace kel
