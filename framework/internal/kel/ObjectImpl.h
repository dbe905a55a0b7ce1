// kel::ObjectImpl: the observer state and owner thread id behind every kel::IObject the
// module implements.
#pragma once

#include "kel/ObserverList.h"
#include "kel/Types.h"

namespace kel {

// Classes inherit it privately and forward AddObserver, RemoveObserver, GetThreadId and
// SetThreadId to it unchanged. Its destructor sends the "Destroyed" notice, so observers
// hear of an object after the derived class has destroyed its own members; the notice's
// sender is the address of this part, for comparison only.
class ObjectImpl {
 public:
  ObjectImpl(const ObjectImpl&) = delete;
  ObjectImpl& operator=(const ObjectImpl&) = delete;

  void AddObserver(IObserver* observer, void* cookie);
  void RemoveObserver(IObserver* observer);
  // Reported only: no operation compares it with the calling thread.
  ThreadId GetThreadId() const noexcept { return ownerThreadId_; }
  ResultCode SetThreadId(ThreadId threadId) noexcept;

 protected:
  // Records the constructing thread as the owner.
  ObjectImpl();
  ~ObjectImpl();

 private:
  ObserverList observers_;
  ThreadId ownerThreadId_;
};

}  // namespace kel
