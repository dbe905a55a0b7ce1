// The root interfaces of every kel object. The order of the operations is the binary
// interface: hosts call them by position, so it never changes.
#pragma once

#include "kel/Types.h"

namespace kel {

class IObserver;

// Reference counting and interface query. An object ends only through the Release that
// takes its count from 1 to 0; interfaces have no destructor among their operations.
class IObjectBase {
 public:
  static constexpr ContractId kContractId = "com.velkora.general.kel.IObjectBase/1.0";

  // Adds 1 to the count atomically; returns the new count.
  virtual RefCount AddRef() = 0;
  // Subtracts 1 atomically and destroys the object at 0; returns the count produced by the
  // decrement itself, so 0 means this call destroyed the object.
  virtual RefCount Release() = 0;
  // Same as QueryInterface.
  virtual ResultCode GetInterface(ContractId id, void** out) = 0;
  // Writes the interface answering `id` with one more reference and returns 0; returns -3
  // and leaves *out untouched when the contract is not answered or `out` is null.
  virtual ResultCode QueryInterface(ContractId id, void** out) = 0;
  // True when the count is exactly 1 (plain read, may be stale).
  virtual bool IsUnique() = 0;
  // The count (plain read, may be stale).
  virtual RefCount GetRefCount() = 0;

 protected:
  IObjectBase() = default;
  IObjectBase(const IObjectBase&) = default;
  IObjectBase& operator=(const IObjectBase&) = default;
  ~IObjectBase() = default;
};

// Adds destruction observers and an owner thread id to IObjectBase.
class IObject : public IObjectBase {
 public:
  static constexpr ContractId kContractId = "com.velkora.general.kel.IObject/1.0";

  // Registers `observer` for the "Destroyed" notice; takes no reference on it. A null
  // observer is refused: nothing is registered.
  virtual void AddObserver(IObserver* observer, void* cookie) = 0;
  // Removes the oldest registration of `observer`; null removes every registration.
  // Both calls change nothing when made from inside the object's own "Destroyed" notice.
  virtual void RemoveObserver(IObserver* observer) = 0;
  // The owner thread id: the constructing thread unless SetThreadId replaced it.
  virtual ThreadId GetThreadId() = 0;
  // Stores any id without a check; returns 0.
  virtual ResultCode SetThreadId(ThreadId threadId) = 0;

 protected:
  IObject() = default;
  IObject(const IObject&) = default;
  IObject& operator=(const IObject&) = default;
  ~IObject() = default;
};

}  // namespace kel
