// The host's own objects, counted: every reference the module takes on them is added to
// one ledger and every reference it gives back is taken off, so a leak or an extra Release
// shows at the end. They live in static storage: a count of 0 means unused, not freed.
#pragma once

#include "Freestanding.h"
#include "Interfaces.h"

namespace host {

struct Ledger {
  long liveReferences = 0;
  long extraReleases = 0;
};
inline Ledger ledger;

template <class Interface>
class Counted : public Interface {
 public:
  RefCount AddRef() override {
    ++ledger.liveReferences;
    return ++count_;
  }
  RefCount Release() override {
    if (count_ == 0) {
      ++ledger.extraReleases;
      return 0;
    }
    --ledger.liveReferences;
    if (--count_ == 0) Ended();
    return count_;
  }
  ResultCode GetInterface(ContractId id, void** out) override { return QueryInterface(id, out); }
  ResultCode QueryInterface(ContractId id, void** out) override {
    if (out == nullptr) return -3;
    if (!Equal(id, contract::kObjectBase) && !Equal(id, contract::kObject) &&
        !(ownContract_ != nullptr && Equal(id, ownContract_))) {
      return -3;
    }
    *out = static_cast<Interface*>(this);
    AddRef();
    return 0;
  }
  bool IsUnique() override { return count_ == 1; }
  RefCount GetRefCount() override { return count_; }
  void AddObserver(IObserver*, void*) override {}
  void RemoveObserver(IObserver*) override {}
  ThreadId GetThreadId() override { return 0; }
  ResultCode SetThreadId(ThreadId) override { return 0; }

  bool Unused() const { return count_ == 0; }

 protected:
  explicit constexpr Counted(ContractId ownContract = nullptr) : ownContract_(ownContract) {}
  // The last reference went: give back what this object holds.
  virtual void Ended() {}

 private:
  ContractId ownContract_;
  RefCount count_ = 0;
};

class HostString final : public Counted<IString> {
 public:
  const char* GetText() override { return text_; }
  void Assign(const char* text) {
    Size i = 0;
    for (; text[i] != '\0' && i + 1 < sizeof text_; ++i) text_[i] = text[i];
    text_[i] = '\0';
  }

 private:
  char text_[48] = {};
};

class HostCollection final : public Counted<ICollection> {
 public:
  unsigned GetCount() override { return size_; }
  IString* GetItem(unsigned index) override { return index < size_ ? items_[index] : nullptr; }
  ResultCode Add(IString* item) override {
    if (size_ == kCapacity) return -1;
    if (item != nullptr) item->AddRef();
    items_[size_++] = item;
    return 0;
  }

 private:
  void Ended() override {
    for (unsigned i = 0; i < size_; ++i) {
      if (items_[i] != nullptr) items_[i]->Release();
    }
    size_ = 0;
  }
  static constexpr unsigned kCapacity = 16;
  IString* items_[kCapacity] = {};
  unsigned size_ = 0;
};

// Hands out an unused object of the pool with one reference for the caller.
template <class Object, unsigned N>
Object* Fresh(Object (&pool)[N]) {
  for (Object& object : pool) {
    if (object.Unused()) {
      object.AddRef();
      return &object;
    }
  }
  return nullptr;
}

inline HostString strings[128];
inline HostCollection collections[8];

class StringFactory final : public Counted<IStringFactory> {
 public:
  constexpr StringFactory() : Counted(contract::kStringFactory) {}
  ResultCode CreateString(const char* text, IString** string) override {
    ++calls;
    HostString* made = Fresh(strings);
    if (made == nullptr) return -1;
    made->Assign(text);
    *string = made;
    return 0;
  }
  int calls = 0;
};

class CollectionFactory final : public Counted<ICollectionFactory> {
 public:
  constexpr CollectionFactory() : Counted(contract::kCollectionFactory) {}
  ResultCode CreateCollection(ICollection** collection) override {
    if (failWith != 0) return failWith;
    *collection = Fresh(collections);
    return *collection != nullptr ? 0 : -1;
  }
  ResultCode failWith = 0;
};

// What the host injects: a proxy handing out `exported` with one reference per call.
class ExportProxy final : public Counted<IExportProxy> {
 public:
  constexpr explicit ExportProxy(IObjectBase* exported)
      : Counted(contract::kExportProxy), exported_(exported) {}
  ResultCode GetExportedObject(IObjectBase** object) override {
    if (exported_ != nullptr) exported_->AddRef();
    *object = exported_;
    return 0;
  }

 private:
  IObjectBase* exported_;
};

class PlainObject final : public Counted<IObject> {};

struct Notice {
  const void* sender;
  const char* contract;
  const char* event;
  void* eventData;
  void* cookie;
};

class Observer final : public Counted<IObserver> {
 public:
  ResultCode Notify(const void* sender, ContractId contract, const char* event, void* eventData,
                    void* cookie) override {
    if (count < 4) notices[count] = Notice{sender, contract, event, eventData, cookie};
    ++count;
    return 0;
  }
  Notice notices[4] = {};
  int count = 0;
};

}  // namespace host
