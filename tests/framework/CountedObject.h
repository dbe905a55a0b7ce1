// A minimal kel object for framework tests: counts live instances so every test can end by
// asserting that nothing it made is still alive.
#pragma once

#include "kel/InterfaceTable.h"
#include "kel/ObjectLifetime.h"
#include "kel/RefCount.h"

namespace kel::testing {

class ICounted : public IObjectBase {
 public:
  static constexpr ContractId kContractId = "com.velkora.test.ICounted/1.0";
  virtual int Value() = 0;

 protected:
  ~ICounted() = default;
};

class CountedObject final : public ICounted {
 public:
  static inline int liveInstances = 0;

  RefCount AddRef() override { return refCount_.Increment(); }
  RefCount Release() override { return ObjectLifetime::Release(this, refCount_); }
  ResultCode GetInterface(ContractId id, void** out) override { return QueryInterface(id, out); }
  ResultCode QueryInterface(ContractId id, void** out) override {
    static constexpr InterfaceEntry<CountedObject> kInterfaces[] = {
        {ICounted::kContractId, &SelectInterface<CountedObject, ICounted>},
        {IObjectBase::kContractId, &SelectInterface<CountedObject, ICounted>},
    };
    return QueryInterfaceTable(*this, kInterfaces, id, out);
  }
  bool IsUnique() override { return refCount_.Load() == 1; }
  RefCount GetRefCount() override { return refCount_.Load(); }
  int Value() override { return value_; }

 private:
  friend class kel::ObjectLifetime;
  explicit CountedObject(int value = 0) : value_(value) { ++liveInstances; }
  ~CountedObject() { --liveInstances; }

  int value_;
  AtomicRefCount refCount_;
};

}  // namespace kel::testing
