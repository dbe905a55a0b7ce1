// The registrations of one object's observers and their lock.
#pragma once

#include <list>

#include "kel/IObserver.h"
#include "kel/Platform.h"

namespace kel {

// Registrations for the one event there is, the object's "Destroyed" notice (contract
// IObject), in the order they were made; duplicates allowed, each counting on its own.
// Registrations hold no reference on their observers: an observer outlives its registration
// or removes it.
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

  // Appends a registration. A null observer is refused: its notice could never be delivered.
  void AddRegistration(IObserver* observer, void* cookie);
  // Removes the oldest registration of `observer` (the cookie plays no part); a null
  // observer removes every registration.
  void RemoveRegistration(IObserver* observer);
  // Calls Notify(sender, IObject's contract, "Destroyed", null, cookie) on every
  // registration, oldest first. Runs once, from the object's destructor.
  void NotifyAll(const void* sender);

 private:
  struct Registration {
    IObserver* observer;  // not owned
    void* cookie;
  };

  platform::RecursiveLock lock_;
  std::list<Registration> registrations_;
  bool notifying_ = false;
};

}  // namespace kel
