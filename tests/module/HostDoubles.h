// The host's objects for the tests that drive the module, declared here as a host declares
// its services, without the module's headers: the ten kel::IObject operations, then each
// service's own in their documented order. The module reaches them by the positions its own
// headers give. It calls AddRef, Release, QueryInterface and the one operation of each
// service (the 11th, and a collection's Add, the 13th); any other operation counts as an
// unexpected call and touches none of its arguments, so a call made at a wrong position
// shows up as one.
#pragma once

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "BinaryInterface.h"
#include "kel/ObjectLifetime.h"
#include "kel/RefCount.h"

namespace kel::testing::hostdouble {

// Host objects alive in this process, and calls of operations the module never makes.
inline std::atomic<int> live{0};
inline std::atomic<int> unexpectedCalls{0};

template <class T>
T Unexpected(T answer) noexcept {
  ++unexpectedCalls;
  return answer;
}

// The ten kel::IObject operations over one atomic count. Answers Derived::kContract (the
// contract of the service, IObject's where it has none), IObject's and IObjectBase's, always
// with the object itself.
template <class Derived>
class Double : public abi::IObject {
 public:
  abi::Count AddRef() override { return count_.Increment(); }
  abi::Count Release() override {
    return ObjectLifetime::Release(static_cast<Derived*>(this), count_);
  }
  abi::Code GetInterface(const char*, void**) override { return Unexpected(-3); }
  abi::Code QueryInterface(const char* id, void** out) override {
    if (out == nullptr || id == nullptr) return -3;
    for (const char* answered : {Derived::kContract, contract::kObject, contract::kObjectBase}) {
      if (std::strcmp(id, answered) != 0) continue;
      *out = static_cast<abi::IObject*>(this);
      AddRef();
      return 0;
    }
    return -3;
  }
  bool IsUnique() override { return Unexpected(false); }
  abi::Count GetRefCount() override { return Unexpected(0u); }
  void AddObserver(abi::IObject*, void*) override { Unexpected(0); }
  void RemoveObserver(abi::IObject*) override { Unexpected(0); }
  abi::Tid GetThreadId() override { return Unexpected(0u); }
  abi::Code SetThreadId(abi::Tid) override { return Unexpected(-1); }

  abi::Count Count() const noexcept { return count_.Load(); }

 protected:
  Double() noexcept { ++live; }
  ~Double() { --live; }

 private:
  AtomicRefCount count_;
};

// An object with no operation of its own: the injected logger, or an import that is no proxy.
struct Plain final : Double<Plain> {
  static constexpr const char* kContract = contract::kObject;
};

// A host object that breaks the rule: answers every query with 0 and writes nothing.
struct Mute final : Double<Mute> {
  static constexpr const char* kContract = contract::kObject;
  abi::Code QueryInterface(const char*, void**) override { return 0; }
};

struct String final : Double<String> {
  static constexpr const char* kContract = contract::kObject;
  explicit String(const char* copied) : text(copied) {}
  virtual const char* GetText() { return Unexpected<const char*>(nullptr); }
  virtual std::uint32_t GetLength() { return Unexpected(0u); }
  const std::string text;
};

// The text of a string this host made; "(null)" for none.
inline std::string TextOf(abi::IObject* s) {
  return s ? static_cast<String*>(s)->text : "(null)";
}

struct Collection final : Double<Collection> {
  static constexpr const char* kContract = contract::kObject;
  virtual std::uint32_t GetCount() { return Unexpected(0u); }
  virtual abi::Code GetItem(std::uint32_t, abi::IObject**) { return Unexpected(-1); }
  virtual abi::Code Add(abi::IObject* item) {
    items.emplace_back(item);
    return 0;
  }
  // "[B,a,b]": the items' texts in the order added.
  std::string Render() const {
    std::string texts;
    for (const auto& item : items) texts += (texts.empty() ? "" : ",") + TextOf(item.Get());
    return "[" + texts + "]";
  }
  std::vector<ObjectPtr<abi::IObject>> items;  // one reference of its own on each
};

// Told to fail, writes nothing and returns -100.
struct StringFactory final : Double<StringFactory> {
  static constexpr const char* kContract = contract::kStringFactory;
  virtual abi::Code CreateString(const char* text, abi::IObject** string) {
    if (failing) return -100;
    *string = ObjectLifetime::Create<String>(text).Detach();
    return 0;
  }
  std::atomic<bool> failing{false};
};

// Returns `code`, and writes a new empty collection unless that is negative or `writeNone`.
struct CollectionFactory final : Double<CollectionFactory> {
  static constexpr const char* kContract = contract::kCollectionFactory;
  virtual abi::Code CreateCollection(abi::IObject** collection) {
    if (code >= 0 && !writeNone) *collection = ObjectLifetime::Create<Collection>().Detach();
    return code;
  }
  std::atomic<abi::Code> code{0};
  std::atomic<bool> writeNone{false};
};

// Yields its exported object (when it has one) with a reference for the caller, and returns
// its code whatever it wrote.
struct Proxy final : Double<Proxy> {
  static constexpr const char* kContract = contract::kExportProxy;
  explicit Proxy(abi::IObjectBase* object, abi::Code result = 0) : exported(object), code(result) {}
  virtual abi::Code GetExportedObject(abi::IObjectBase** object) {
    ++exports;
    if (exported) exported.CopyTo(object);
    return code;
  }
  const ObjectPtr<abi::IObjectBase> exported;
  const abi::Code code;
  std::atomic<int> exports{0};
};

// Keeps the sender and cookie of every notice, counting those whose contract is not
// "com.velkora.general.kel.IObject/1.0", whose event is not "Destroyed" or whose data is not
// null as malformed. One with a label also prints "notice <label> <cookie>" on standard
// output, to be ordered with the module's lines. `onNotice` runs last. Up to kRoom notices
// are kept without allocating, so that a notice never runs out of memory.
struct Observer final : Double<Observer> {
  static constexpr const char* kContract = contract::kObject;
  static constexpr std::size_t kRoom = 128;
  explicit Observer(const char* name = nullptr, std::function<void()> then = nullptr)
      : label(name), onNotice(std::move(then)) {
    notices.reserve(kRoom);
  }
  virtual abi::Code Notify(const void* sender, const char* contract, const char* event, void* data,
                           void* cookie) {
    const auto value = reinterpret_cast<std::uintptr_t>(cookie);
    malformed +=
        std::strcmp(contract, contract::kObject) || std::strcmp(event, "Destroyed") || data;
    if (notices.size() < kRoom) notices.emplace_back(sender, value);
    if (label != nullptr)
      std::printf("notice %s %llu\n", label, static_cast<unsigned long long>(value));
    std::fflush(stdout);
    if (onNotice) onNotice();
    return 0;
  }
  const char* const label;
  const std::function<void()> onNotice;
  std::vector<std::pair<const void*, std::uintptr_t>> notices;  // sender and cookie
  int malformed = 0;
};

// The services a host injects under the manifest's imports: a logger, which the module only
// holds, and a string factory and a collection factory, each behind an export proxy. Empty
// until Create.
struct InjectedServices {
  void Create() {
    logger = ObjectLifetime::Create<Plain>();
    strings = ObjectLifetime::Create<StringFactory>();
    collections = ObjectLifetime::Create<CollectionFactory>();
    stringsProxy = ObjectLifetime::Create<Proxy>(strings.Get());
    collectionsProxy = ObjectLifetime::Create<Proxy>(collections.Get());
  }
  // Stores them under "Logger", "StringFactory" and "CollectionFactory".
  void InjectInto(abi::IImportsContainer& imports) const {
    imports.SetImport("Logger", logger.Get());
    imports.SetImport("StringFactory", stringsProxy.Get());
    imports.SetImport("CollectionFactory", collectionsProxy.Get());
  }
  // GetExportedObject calls on the factories' proxies so far.
  int Resolutions() const { return stringsProxy->exports + collectionsProxy->exports; }

  ObjectPtr<Plain> logger;
  ObjectPtr<StringFactory> strings;
  ObjectPtr<CollectionFactory> collections;
  ObjectPtr<Proxy> stringsProxy;
  ObjectPtr<Proxy> collectionsProxy;
};

}  // namespace kel::testing::hostdouble
