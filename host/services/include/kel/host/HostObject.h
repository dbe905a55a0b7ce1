// The one implementation of the kel::IObject operations shared by every host object.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "kel/IObjectBase.h"
#include "kel/IObserver.h"
#include "kel/InterfaceTable.h"
#include "kel/ObjectLifetime.h"
#include "kel/RefCount.h"
#include "kel/Types.h"
#include "kel/host/LiveObjects.h"

namespace kel::host {

// The calls a host object counts: the ten kel::IObject operations, and `Own` for every
// call of an operation that the object's interface adds (each class also counts those one
// by one).
enum class Operation : std::uint8_t {
  AddRef,
  Release,
  GetInterface,
  QueryInterface,
  IsUnique,
  GetRefCount,
  AddObserver,
  RemoveObserver,
  GetThreadId,
  SetThreadId,
  Own,
};
inline constexpr std::size_t kOperationCount = 11;

// The result code with which a host double fails when told to.
inline constexpr ResultCode kInjectedFailure = -100;

// The state every host object carries besides its count: accounting, call counters, the
// contracts it was asked for, its owner thread id and its observers. Thread-safe.
//
// Observers: registrations hold no reference. A null observer is refused. RemoveObserver
// removes the oldest registration of the observer, or every registration when null. The
// "Destroyed" notice goes out from the destructor, oldest registration first, with the
// object's identity (its kel::IObjectBase pointer) as sender, the contract
// "com.velkora.general.kel.IObject/1.0", null event data and the registration's cookie.
// The registrations are taken out of the list before the first notice, so a call back into
// the list from inside a notice changes nothing that is notified.
class HostObjectCore {
 public:
  HostObjectCore(const HostObjectCore&) = delete;
  HostObjectCore& operator=(const HostObjectCore&) = delete;

  ObjectKind Kind() const noexcept { return kind_; }
  // Creation serial within the kind, starting at 1.
  std::uint32_t Serial() const noexcept { return serial_; }
  // "String#3": the name the trace uses.
  std::string TraceName() const;

  // Calls of `operation` on this object so far.
  std::uint32_t Calls(Operation operation) const noexcept;
  // Calls of every operation other than AddRef and Release: zero exactly when the object
  // was never used beyond being held.
  std::uint32_t CallsBesidesCounting() const noexcept;
  // The identifiers QueryInterface was asked for, in call order (GetInterface included,
  // since it answers through QueryInterface); a null identifier reads "(null)".
  std::vector<std::string> QueriedIds() const;
  // Registrations now in the observer list.
  std::size_t ObserverCount() const;

 protected:
  explicit HostObjectCore(ObjectKind kind);
  // Ends the object's accounting.
  ~HostObjectCore();

  void CountCall(Operation operation) noexcept;
  void RecordQuery(ContractId id);
  void Register(IObserver* observer, void* cookie);
  void Unregister(IObserver* observer);
  void NotifyDestroyed(const void* sender);
  ThreadId OwnerThread() const noexcept { return ownerThread_.load(std::memory_order_relaxed); }
  void SetOwnerThread(ThreadId id) noexcept { ownerThread_.store(id, std::memory_order_relaxed); }

  // Kind and serial, copied out before a Release that may destroy the object.
  struct TraceTag {
    ObjectKind kind;
    std::uint32_t serial;
  };
  TraceTag Tag() const noexcept { return {kind_, serial_}; }
  static void TraceAddRef(TraceTag tag, RefCount count);
  static void TraceRelease(TraceTag tag, RefCount count);

 private:
  struct Registration {
    IObserver* observer;  // not owned
    void* cookie;
  };

  const ObjectKind kind_;
  const std::uint32_t serial_;
  std::array<std::atomic<std::uint32_t>, kOperationCount> calls_{};
  std::atomic<ThreadId> ownerThread_;
  mutable std::mutex mutex_;  // guards queriedIds_ and observers_
  std::vector<std::string> queriedIds_;
  std::vector<Registration> observers_;
};

// Implements the ten kel::IObject operations of a host class `Derived` that implements
// `Interface` (kel::IObject or an interface extending it) as an object of kind `KindValue`.
//
// `Derived` is final, keeps its constructor and destructor private and befriends
// kel::ObjectLifetime. The object answers, in this order, the contract `Interface` declares
// if it declares one of its own (not the IObject contract it inherits), then IObject's, then
// IObjectBase's; each with `Interface`, whose address is the object's identity.
//
// The count is one atomic 32-bit count; its ordering is stated in kel::AtomicRefCount.
template <class Derived, class Interface, ObjectKind KindValue>
class HostObject : public Interface, public HostObjectCore {
 public:
  static constexpr ObjectKind kKind = KindValue;

  RefCount AddRef() final {
    CountCall(Operation::AddRef);
    const RefCount count = count_.Increment();
    TraceAddRef(Tag(), count);
    return count;
  }

  RefCount Release() final {
    CountCall(Operation::Release);
    const TraceTag tag = Tag();
    const RefCount count = ObjectLifetime::Release(static_cast<Derived*>(this), count_);
    TraceRelease(tag, count);  // `this` may be gone
    return count;
  }

  ResultCode GetInterface(ContractId id, void** out) final {
    CountCall(Operation::GetInterface);
    return static_cast<Interface*>(this)->QueryInterface(id, out);
  }

  ResultCode QueryInterface(ContractId id, void** out) final {
    CountCall(Operation::QueryInterface);
    RecordQuery(id);
    if constexpr (kHasOwnContract) {
      return QueryInterfaceTable(*this, kOwnAndRootContracts, id, out);
    } else {
      return QueryInterfaceTable(*this, kRootContracts, id, out);
    }
  }

  bool IsUnique() final {
    CountCall(Operation::IsUnique);
    return count_.Load() == 1;
  }

  RefCount GetRefCount() final {
    CountCall(Operation::GetRefCount);
    return count_.Load();
  }

  void AddObserver(IObserver* observer, void* cookie) final {
    CountCall(Operation::AddObserver);
    Register(observer, cookie);
  }

  void RemoveObserver(IObserver* observer) final {
    CountCall(Operation::RemoveObserver);
    Unregister(observer);
  }

  ThreadId GetThreadId() final {
    CountCall(Operation::GetThreadId);
    return OwnerThread();
  }

  ResultCode SetThreadId(ThreadId threadId) final {
    CountCall(Operation::SetThreadId);
    SetOwnerThread(threadId);
    return result::kOk;
  }

  // The object's identity: what a query for IObjectBase yields.
  IObjectBase* Identity() noexcept { return static_cast<Interface*>(this); }
  // The count, read without counting a call.
  RefCount PeekRefCount() const noexcept { return count_.Load(); }

 protected:
  HostObject() : HostObjectCore(KindValue) {}

  // The derived part is already gone. The count is raised first ("stabilised") so that an
  // observer's AddRef/Release pair on the sender cannot start a second destruction.
  ~HostObject() {
    count_.Increment();
    NotifyDestroyed(Identity());
  }

 private:
  static constexpr bool kHasOwnContract =
      std::string_view(Interface::kContractId) != std::string_view(IObject::kContractId);

  // A table entry answering `contract` with `Interface`.
  static constexpr InterfaceEntry<HostObject> Answer(ContractId contract) noexcept {
    return {contract, &SelectInterface<HostObject, Interface>};
  }

  static constexpr InterfaceEntry<HostObject> kRootContracts[] = {
      Answer(IObject::kContractId),
      Answer(IObjectBase::kContractId),
  };
  static constexpr InterfaceEntry<HostObject> kOwnAndRootContracts[] = {
      Answer(Interface::kContractId),
      Answer(IObject::kContractId),
      Answer(IObjectBase::kContractId),
  };

  AtomicRefCount count_;
};

}  // namespace kel::host
