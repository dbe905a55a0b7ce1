// The registrations of one object's observers and their lock.
#pragma once

#include <list>
#include <string>
#include <string_view>

#include "kel/IObserver.h"
#include "kel/Platform.h"

namespace kel {

// Registrations in the order they were made; duplicates allowed, each counting on its own.
// Registrations hold no reference on their observers: an observer outlives its
// registration or removes it.
//
// Every operation holds the list's re-entrant lock for its whole duration, and observers
// are called with it held. A call back into the list from inside a notice (on the notifying
// thread) is ignored: the list is only ever notified while its object is destroyed, so a
// registration added or removed then could never take effect. Not copyable.
class ObserverList {
 public:
  ObserverList() = default;
  ObserverList(const ObserverList&) = delete;
  ObserverList& operator=(const ObserverList&) = delete;

  // Appends a registration under the key contract + "::" + event. A null observer is
  // refused: its notice could never be delivered.
  void AddRegistration(ContractId contract, const char* event, IObserver* observer, void* cookie);
  // Removes the oldest registration of `observer` under the key (the cookie plays no part);
  // a null observer removes every registration, whatever its key.
  void RemoveRegistration(ContractId contract, const char* event, IObserver* observer);
  // Calls Notify(sender, contract, event, null, cookie) on every registration under the
  // key, oldest first.
  void NotifyAll(ContractId contract, const char* event, const void* sender);

 private:
  struct Registration {
    std::string key;
    IObserver* observer;  // not owned
    void* cookie;
  };

  static std::string MakeKey(ContractId contract, const char* event);
  static bool KeyEquals(std::string_view key, ContractId contract, const char* event);

  platform::RecursiveLock lock_;
  std::list<Registration> registrations_;
  bool notifying_ = false;
};

}  // namespace kel
