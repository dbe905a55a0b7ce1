// The object-model checks, run over every host class: counting, identity, the query table
// and its rejections, per-operation call counters, thread id and destruction notices.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "NothingAlive.h"
#include "kel/IImportsContainer.h"
#include "kel/host/HostCollection.h"
#include "kel/host/HostExportProxy.h"
#include "kel/host/HostFactories.h"
#include "kel/host/HostLogger.h"
#include "kel/host/HostObserver.h"
#include "kel/host/HostString.h"
#include "kel/host/PlainHostObject.h"
#include "kel/host/ThreadId.h"

namespace kel::host::testing {
namespace {

// How to make each class, and the contract it answers besides the two root ones.
template <class T>
struct Traits;
template <>
struct Traits<HostString> {
  static ObjectPtr<HostString> Make() { return HostString::Create("text"); }
  static constexpr ContractId kOwn = nullptr;
};
template <>
struct Traits<HostCollection> {
  static ObjectPtr<HostCollection> Make() { return HostCollection::Create(); }
  static constexpr ContractId kOwn = nullptr;
};
template <>
struct Traits<HostStringFactory> {
  static ObjectPtr<HostStringFactory> Make() { return HostStringFactory::Create(); }
  static constexpr ContractId kOwn = "com.velkora.general.kel.IStringFactory/1.0";
};
template <>
struct Traits<HostCollectionFactory> {
  static ObjectPtr<HostCollectionFactory> Make() { return HostCollectionFactory::Create(); }
  static constexpr ContractId kOwn = "com.velkora.general.kel.ICollectionFactory/1.0";
};
template <>
struct Traits<HostExportProxy> {
  static ObjectPtr<HostExportProxy> Make() { return HostExportProxy::Create(); }
  static constexpr ContractId kOwn = "com.velkora.general.kel.IExportProxy/1.0";
};
template <>
struct Traits<HostLogger> {
  static ObjectPtr<HostLogger> Make() { return HostLogger::Create(); }
  static constexpr ContractId kOwn = "com.velkora.general.kel.ILogger/1.0";
};
template <>
struct Traits<HostObserver> {
  static ObjectPtr<HostObserver> Make() { return HostObserver::Create(); }
  static constexpr ContractId kOwn = nullptr;
};
template <>
struct Traits<PlainHostObject> {
  static ObjectPtr<PlainHostObject> Make() { return PlainHostObject::Create(); }
  static constexpr ContractId kOwn = nullptr;
};

constexpr ContractId kRoots[] = {"com.velkora.general.kel.IObject/1.0",
                                 "com.velkora.general.kel.IObjectBase/1.0"};

// Contracts of other interfaces: a class answering one that is not its own has a wrong table.
constexpr ContractId kOtherContracts[] = {
    "com.velkora.general.kel.IStringFactory/1.0",
    "com.velkora.general.kel.ICollectionFactory/1.0",
    "com.velkora.general.kel.IExportProxy/1.0",
    "com.velkora.general.kel.ILogger/1.0",
    "com.velkora.general.kel.IImportsContainer/1.0",
};

constexpr ContractId kMalformed[] = {
    "com.velkora.general.kel.IObjectBase/1.1",
    "com.velkora.general.kel.iobjectbase/1.0",
    "com.velkora.general.kel.IObjectBase/1.0 ",
    "com.velkora.general.kel.IObjectBase",
    "com.velkora.general.kel.IObject/1.0\n",
    "",
    nullptr,
};

template <class T>
class HostObjectModelTest : public NothingAliveTest {};

using HostClasses =
    ::testing::Types<HostString, HostCollection, HostStringFactory, HostCollectionFactory,
                     HostExportProxy, HostLogger, HostObserver, PlainHostObject>;
TYPED_TEST_SUITE(HostObjectModelTest, HostClasses);

TYPED_TEST(HostObjectModelTest, CountsReferencesAndLivesUntilTheLastRelease) {
  const ObjectKind kind = TypeParam::kKind;
  const std::uint32_t createdBefore = LiveObjects::Created(kind);
  ObjectPtr<TypeParam> object = Traits<TypeParam>::Make();
  EXPECT_EQ(LiveObjects::Count(kind), 1u);
  EXPECT_EQ(LiveObjects::Created(kind), createdBefore + 1);
  EXPECT_EQ(object->Serial(), createdBefore + 1);
  EXPECT_EQ(object->Kind(), kind);

  EXPECT_EQ(object->GetRefCount(), 1u);
  EXPECT_TRUE(object->IsUnique());
  EXPECT_EQ(object->AddRef(), 2u);
  EXPECT_FALSE(object->IsUnique());
  EXPECT_EQ(object->Release(), 1u);
  EXPECT_EQ(LiveObjects::Count(kind), 1u);
  EXPECT_EQ(object.Detach()->Release(), 0u);
  EXPECT_EQ(LiveObjects::Count(kind), 0u);
}

TYPED_TEST(HostObjectModelTest, AnswersItsContractsWithItsIdentityAndNothingElse) {
  ObjectPtr<TypeParam> object = Traits<TypeParam>::Make();
  IObjectBase* const identity = object->Identity();
  std::vector<ContractId> answered;
  if (Traits<TypeParam>::kOwn != nullptr) answered.push_back(Traits<TypeParam>::kOwn);
  answered.insert(answered.end(), std::begin(kRoots), std::end(kRoots));

  RefCount expectedCount = 1;
  for (ContractId id : answered) {
    SCOPED_TRACE(id);
    void* viaQuery = nullptr;
    void* viaGet = nullptr;
    ASSERT_EQ(object->QueryInterface(id, &viaQuery), result::kOk);
    ASSERT_EQ(object->GetInterface(id, &viaGet), result::kOk);
    EXPECT_EQ(viaQuery, identity);
    EXPECT_EQ(viaGet, identity);
    expectedCount += 2;
    EXPECT_EQ(object->GetRefCount(), expectedCount);
    void* untouched = &answered;
    EXPECT_EQ(object->QueryInterface(id, nullptr), result::kNoInterface);
    EXPECT_EQ(object->GetInterface(id, nullptr), result::kNoInterface);
    EXPECT_EQ(untouched, &answered);
    EXPECT_EQ(object->GetRefCount(), expectedCount);
  }

  std::vector<ContractId> rejected(std::begin(kMalformed), std::end(kMalformed));
  for (ContractId other : kOtherContracts) {
    if (Traits<TypeParam>::kOwn == nullptr || std::string(other) != Traits<TypeParam>::kOwn) {
      rejected.push_back(other);
    }
  }
  for (ContractId id : rejected) {
    SCOPED_TRACE(id == nullptr ? "(null)" : id);
    void* untouched = &rejected;
    EXPECT_EQ(object->QueryInterface(id, &untouched), result::kNoInterface);
    EXPECT_EQ(object->GetInterface(id, &untouched), result::kNoInterface);
    EXPECT_EQ(untouched, &rejected);
  }
  EXPECT_EQ(object->GetRefCount(), expectedCount);

  // Every query, through either operation, is recorded once and in order.
  const std::vector<std::string> queried = object->QueriedIds();
  ASSERT_EQ(queried.size(), 4 * answered.size() + 2 * rejected.size());
  EXPECT_EQ(queried.front(), answered.front());
  EXPECT_EQ(queried.back(), kOtherContracts[std::size(kOtherContracts) - 1]);
  EXPECT_EQ(queried[4 * answered.size() + 2 * (std::size(kMalformed) - 1)], "(null)");

  for (RefCount i = 1; i < expectedCount; ++i) object->Release();
}

// Each operation counts under its own name and nowhere else; GetInterface answers through
// QueryInterface and so counts both.
TYPED_TEST(HostObjectModelTest, CountsEachOperationOnItsOwnCounter) {
  ObjectPtr<TypeParam> object = Traits<TypeParam>::Make();
  TypeParam* o = object.Get();
  void* out = nullptr;
  struct Row {
    Operation operation;
    std::function<void()> call;
  };
  const Row rows[] = {
      {Operation::AddRef, [o] { o->AddRef(); }},
      {Operation::Release, [o] { o->Release(); }},
      {Operation::GetInterface, [o, &out] { o->GetInterface("unknown/1.0", &out); }},
      {Operation::QueryInterface, [o, &out] { o->QueryInterface("unknown/1.0", &out); }},
      {Operation::IsUnique, [o] { o->IsUnique(); }},
      {Operation::GetRefCount, [o] { o->GetRefCount(); }},
      {Operation::AddObserver, [o] { o->AddObserver(nullptr, nullptr); }},
      {Operation::RemoveObserver, [o] { o->RemoveObserver(nullptr); }},
      {Operation::GetThreadId, [o] { o->GetThreadId(); }},
      {Operation::SetThreadId, [o] { o->SetThreadId(7); }},
  };
  const auto snapshot = [o] {
    std::array<std::uint32_t, kOperationCount> calls{};
    for (std::size_t i = 0; i < kOperationCount; ++i) calls[i] = o->Calls(Operation(i));
    return calls;
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.operation));
    std::array<std::uint32_t, kOperationCount> expected = snapshot();
    ++expected[static_cast<std::size_t>(row.operation)];
    if (row.operation == Operation::GetInterface) {
      ++expected[static_cast<std::size_t>(Operation::QueryInterface)];
    }
    row.call();
    EXPECT_EQ(snapshot(), expected);
  }
  // Eight rows besides AddRef and Release, one of which counted twice.
  EXPECT_EQ(o->CallsBesidesCounting(), 9u);
  EXPECT_EQ(o->Calls(Operation::Own), 0u);
}

TYPED_TEST(HostObjectModelTest, RecordsTheConstructingThreadUntilTold) {
  ObjectPtr<TypeParam> object = Traits<TypeParam>::Make();
  EXPECT_EQ(object->GetThreadId(), host::CurrentThreadId());
  EXPECT_EQ(object->SetThreadId(0), result::kOk);
  EXPECT_EQ(object->GetThreadId(), 0u);
}

TYPED_TEST(HostObjectModelTest, NotifiesItsObserversOnceWhenDestroyed) {
  ObjectPtr<HostObserver> first = HostObserver::Create();
  ObjectPtr<HostObserver> second = HostObserver::Create();
  ObjectPtr<HostObserver> removedAll = HostObserver::Create();
  int cookies[3] = {};
  const void* sender = nullptr;
  {
    ObjectPtr<TypeParam> object = Traits<TypeParam>::Make();
    sender = object->Identity();
    object->AddObserver(first.Get(), &cookies[0]);
    object->AddObserver(second.Get(), &cookies[1]);
    object->AddObserver(first.Get(), &cookies[2]);
    object->RemoveObserver(first.Get());  // the oldest registration of `first` only
    EXPECT_EQ(object->ObserverCount(), 2u);
    EXPECT_EQ(first->GetRefCount(), 1u);  // registrations hold no reference
  }
  const Notice expectedSecond{sender, "com.velkora.general.kel.IObject/1.0", "Destroyed", nullptr,
                              &cookies[1]};
  const Notice expectedFirst{sender, "com.velkora.general.kel.IObject/1.0", "Destroyed", nullptr,
                             &cookies[2]};
  EXPECT_EQ(second->Notices(), std::vector<Notice>{expectedSecond});
  EXPECT_EQ(first->Notices(), std::vector<Notice>{expectedFirst});
  EXPECT_EQ(first->GetRefCount(), 1u);

  {
    ObjectPtr<TypeParam> object = Traits<TypeParam>::Make();
    object->AddObserver(removedAll.Get(), nullptr);
    object->AddObserver(removedAll.Get(), nullptr);
    object->RemoveObserver(nullptr);
  }
  EXPECT_EQ(removedAll->NotifyCalls(), 0u);
}

}  // namespace
}  // namespace kel::host::testing
