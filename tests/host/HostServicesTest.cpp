// The host's counting objects, on which every test of the module file relies for its counts
// of references, calls, queries, notices and live objects. What each service operation does
// is seen through the module in those tests, which fail when it does something else.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "kel/host/HostCollection.h"
#include "kel/host/HostExportProxy.h"
#include "kel/host/HostFactories.h"
#include "kel/host/HostLogger.h"
#include "kel/host/HostObserver.h"
#include "kel/host/HostString.h"
#include "kel/host/LiveObjects.h"
#include "kel/host/PlainHostObject.h"

namespace kel::host {
namespace {

using ::testing::EndsWith;
using ::testing::StartsWith;

TEST(HostServices, EveryClassCountsItsReferencesCallsQueriesAndObservers) {
  // Each class with the contract it answers besides the two root ones.
  const std::pair<std::function<ObjectPtr<IObject>()>, ContractId> classes[] = {
      {[] { return HostString::Create("text"); }, nullptr},
      {[] { return HostCollection::Create(); }, nullptr},
      {[] { return HostStringFactory::Create(); }, IStringFactory::kContractId},
      {[] { return HostCollectionFactory::Create(); }, ICollectionFactory::kContractId},
      {[] { return HostExportProxy::Create(); }, IExportProxy::kContractId},
      {[] { return HostLogger::Create(); }, ILogger::kContractId},
      {[] { return HostObserver::Create(); }, nullptr},
      {[] { return PlainHostObject::Create(); }, nullptr},
  };
  // Every class's own contract is one that the others must not answer.
  std::vector<ContractId> contracts = {IObject::kContractId, IObjectBase::kContractId,
                                       "com.velkora.general.kel.IObject/1.0 ", "", nullptr};
  for (const auto& [make, own] : classes) {
    if (own != nullptr) contracts.push_back(own);
  }
  std::string trace;  // for kelhost --trace; outlives every object traced into it
  const ObjectPtr<HostObserver> observer = HostObserver::Create();
  int cookies[2] = {};
  LiveObjects::SetTraceSink([&trace](std::string_view line) { (trace += line) += "\n"; });
  for (const auto& [make, own] : classes) {
    trace.clear();
    ObjectPtr<IObject> made = make();
    IObject* const object = made.Get();
    const auto& core = dynamic_cast<const HostObjectCore&>(*object);
    const std::string name = core.TraceName();
    SCOPED_TRACE(name);
    EXPECT_EQ(LiveObjects::Total(), 2u) << "the object and the observer";
    EXPECT_EQ(core.Serial(), LiveObjects::Created(core.Kind()));
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_FALSE(object->IsUnique());
    EXPECT_EQ(object->Release(), 1u);
    for (const ContractId id : contracts) {
      const bool answers = id == IObject::kContractId || id == IObjectBase::kContractId ||
                           (id != nullptr && id == own);
      void* out = &cookies;
      EXPECT_EQ(object->GetInterface(id, &out), answers ? result::kOk : result::kNoInterface);
      EXPECT_EQ(out, answers ? static_cast<void*>(object) : &cookies) << (id ? id : "(null)");
      EXPECT_EQ(object->GetRefCount(), answers ? 2u : 1u);
      if (answers) object->Release();
      EXPECT_EQ(object->QueryInterface(id, nullptr), result::kNoInterface);
    }
    EXPECT_EQ(core.QueriedIds().size(), 2 * contracts.size());
    // IsUnique, and per contract GetInterface with the QueryInterface it answers through,
    // GetRefCount and QueryInterface.
    EXPECT_EQ(core.CallsBesidesCounting(), 1 + 4 * contracts.size());
    // Registrations hold no reference; RemoveObserver takes out the oldest one.
    object->AddObserver(observer.Get(), &cookies[0]);
    object->AddObserver(observer.Get(), &cookies[1]);
    object->AddObserver(nullptr, &cookies[0]);
    object->RemoveObserver(observer.Get());
    EXPECT_EQ(observer->GetRefCount(), 1u);
    const std::size_t notices = observer->Notices().size();
    made.Reset();
    EXPECT_EQ(LiveObjects::Total(), 1u);
    EXPECT_THAT(trace, StartsWith("AddRef " + name + " -> 1\nAddRef " + name + " -> 2\nRelease " +
                                  name + " -> 1\n"));
    EXPECT_THAT(trace, EndsWith("Release " + name + " -> 0 (destroyed)\n"));
    ASSERT_EQ(observer->Notices().size(), notices + 1);
    EXPECT_EQ(observer->Notices().back(),
              (Notice{object, IObject::kContractId, "Destroyed", nullptr, &cookies[1]}));
  }
  LiveObjects::SetTraceSink(nullptr);
}

// kel::ObjectPtr's assignments from every starting state, on counting objects A and B of
// which the test holds one reference each: the new reference is added, the old one given
// back, a moved-from handle is empty, and nothing outlives the handles.
TEST(HostServices, ObjectPtrAssignmentsKeepExactCounts) {
  enum class Assignment { kCopy, kMove, kNull, kSelfCopy, kSelfMove };
  using enum Assignment;
  struct Row {
    Assignment assignment;
    char target, source;               // 'a', 'b' or '-' (empty) before
    char targetAfter, sourceAfter;     // and after
    std::uint32_t countOfA, countOfB;  // after, the test's own reference included
  };
  const Row rows[] = {
      {kCopy, 'a', 'b', 'b', 'b', 1, 3},     {kCopy, '-', 'b', 'b', 'b', 1, 3},
      {kCopy, 'a', '-', '-', '-', 1, 1},     {kCopy, 'a', 'a', 'a', 'a', 3, 1},
      {kCopy, '-', '-', '-', '-', 1, 1},     {kMove, 'a', 'b', 'b', '-', 1, 2},
      {kMove, '-', 'b', 'b', '-', 1, 2},     {kMove, 'a', '-', '-', '-', 1, 1},
      {kMove, 'a', 'a', 'a', '-', 2, 1},     {kNull, 'a', 'b', '-', 'b', 1, 2},
      {kNull, '-', '-', '-', '-', 1, 1},     {kSelfCopy, 'a', '-', 'a', '-', 2, 1},
      {kSelfMove, 'a', '-', 'a', '-', 2, 1},
  };
  const std::size_t aliveBefore = LiveObjects::Total();
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << static_cast<int>(row.assignment) << row.target << row.source);
    ObjectPtr<IObject> a = HostString::Create("A");
    ObjectPtr<IObject> b = HostString::Create("B");
    const auto handle = [&](char which) {
      return which == 'a' ? a : which == 'b' ? b : ObjectPtr<IObject>();
    };
    ObjectPtr<IObject> target = handle(row.target);
    ObjectPtr<IObject> source = handle(row.source);
    ObjectPtr<IObject>& self = target;  // an alias, as self-assignment meets it in real code
    switch (row.assignment) {
      case kCopy:
        target = source;
        break;
      case kMove:
        target = std::move(source);
        break;
      case kNull:
        target = nullptr;
        break;
      case kSelfCopy:
        target = self;
        break;
      case kSelfMove:
        target = std::move(self);
        break;
    }
    EXPECT_EQ(target.Get(), handle(row.targetAfter).Get());
    EXPECT_EQ(source.Get(), handle(row.sourceAfter).Get());
    EXPECT_EQ(a->GetRefCount(), row.countOfA);
    EXPECT_EQ(b->GetRefCount(), row.countOfB);
    a.Reset();
    b.Reset();
    const std::size_t held = target ? 1 : 0;
    EXPECT_EQ(LiveObjects::Total(), aliveBefore + held + (source && source != target ? 1 : 0));
  }
  EXPECT_EQ(LiveObjects::Total(), aliveBefore);
}

}  // namespace
}  // namespace kel::host
