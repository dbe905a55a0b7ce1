// The operations of the root interfaces, written once for every class of the module. Each
// macro expands, inside the class body, to the overrides in their table order.
#pragma once

#include "kel/ObjectLifetime.h"
#include "kel/RefCount.h"
#include "kel/Types.h"

// kel::IObjectBase's six, for a class that keeps its one count in `refCount_` (a
// kel::AtomicRefCount declared after its bases) and defines QueryInterface from its table of
// contracts. GetInterface is QueryInterface under another name.
#define KEL_IOBJECTBASE_OPERATIONS                                         \
  kel::RefCount AddRef() override {                                        \
    return refCount_.Increment();                                          \
  }                                                                        \
  kel::RefCount Release() override {                                       \
    return kel::ObjectLifetime::Release(this, refCount_);                  \
  }                                                                        \
  kel::ResultCode GetInterface(kel::ContractId id, void** out) override {  \
    return QueryInterface(id, out);                                        \
  }                                                                        \
  kel::ResultCode QueryInterface(kel::ContractId id, void** out) override; \
  bool IsUnique() override {                                               \
    return refCount_.Load() == 1;                                          \
  }                                                                        \
  kel::RefCount GetRefCount() override {                                   \
    return refCount_.Load();                                               \
  }

// kel::IObject's ten: the six above, then the observer and thread-id operations, passed to
// the class's private kel::ObjectImpl base unchanged. Whichever of its interfaces a caller
// holds, they reach this one implementation.
#define KEL_IOBJECT_OPERATIONS                                        \
  KEL_IOBJECTBASE_OPERATIONS                                          \
  void AddObserver(kel::IObserver* observer, void* cookie) override { \
    ObjectImpl::AddObserver(observer, cookie);                        \
  }                                                                   \
  void RemoveObserver(kel::IObserver* observer) override {            \
    ObjectImpl::RemoveObserver(observer);                             \
  }                                                                   \
  kel::ThreadId GetThreadId() override {                              \
    return ObjectImpl::GetThreadId();                                 \
  }                                                                   \
  kel::ResultCode SetThreadId(kel::ThreadId threadId) override {      \
    return ObjectImpl::SetThreadId(threadId);                         \
  }
