#include "kel/ObjectPtr.h"

#include <gtest/gtest.h>

#include <type_traits>

#include "CountedObject.h"

namespace kel::testing {
namespace {

// A handle must never hand its pointer out implicitly (a second owner would not count) nor
// take a raw pointer implicitly (it could not tell adopting from sharing).
static_assert(!std::is_convertible_v<ObjectPtr<ICounted>, ICounted*>);
static_assert(!std::is_convertible_v<ICounted*, ObjectPtr<ICounted>>);
static_assert(!std::is_convertible_v<ObjectPtr<IObjectBase>, ObjectPtr<ICounted>>);
static_assert(std::is_convertible_v<ObjectPtr<ICounted>, ObjectPtr<IObjectBase>>);

class ObjectPtrTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(CountedObject::liveInstances, 0); }
};

TEST_F(ObjectPtrTest, CreationHandsTheCreatorTheOnlyReference) {
  ObjectPtr<CountedObject> object = ObjectLifetime::Create<CountedObject>(7);
  EXPECT_EQ(object->GetRefCount(), 1u);
  EXPECT_TRUE(object->IsUnique());
  EXPECT_EQ(CountedObject::liveInstances, 1);
}

TEST_F(ObjectPtrTest, CountingFollowsAddRefAndRelease) {
  ObjectPtr<CountedObject> owner = ObjectLifetime::Create<CountedObject>();
  CountedObject* raw = owner.Get();
  EXPECT_EQ(raw->AddRef(), 2u);
  EXPECT_FALSE(raw->IsUnique());
  EXPECT_EQ(raw->Release(), 1u);
  EXPECT_TRUE(raw->IsUnique());
  EXPECT_EQ(owner.Detach()->Release(), 0u);
  EXPECT_EQ(CountedObject::liveInstances, 0);
}

TEST_F(ObjectPtrTest, CopyAddsAReferenceAndMoveDoesNot) {
  ObjectPtr<CountedObject> a = ObjectLifetime::Create<CountedObject>();
  ObjectPtr<CountedObject> b = a;
  EXPECT_EQ(a->GetRefCount(), 2u);
  ObjectPtr<CountedObject> c = std::move(b);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(a->GetRefCount(), 2u);
  c.Reset();
  EXPECT_EQ(a->GetRefCount(), 1u);
}

TEST_F(ObjectPtrTest, SelfAssignmentNeverDestroysTheObject) {
  ObjectPtr<CountedObject> a = ObjectLifetime::Create<CountedObject>(3);
  ObjectPtr<CountedObject>& alias = a;
  a = alias;
  a.Assign(a.Get());
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Value(), 3);
  EXPECT_EQ(a->GetRefCount(), 1u);
}

TEST_F(ObjectPtrTest, AssignmentReleasesTheOldObject) {
  ObjectPtr<CountedObject> a = ObjectLifetime::Create<CountedObject>(1);
  a = ObjectLifetime::Create<CountedObject>(2);
  EXPECT_EQ(CountedObject::liveInstances, 1);
  EXPECT_EQ(a->Value(), 2);
}

TEST_F(ObjectPtrTest, PutGivesBackTheHeldReferenceAndAdoptsTheWrittenOne) {
  ObjectPtr<CountedObject> source = ObjectLifetime::Create<CountedObject>(5);
  ObjectPtr<ICounted> target(ObjectLifetime::Create<CountedObject>(6).Get());
  EXPECT_EQ(CountedObject::liveInstances, 2);
  ASSERT_EQ(source->QueryInterface(ICounted::kContractId, target.PutVoid()), result::kOk);
  EXPECT_EQ(CountedObject::liveInstances, 1);
  EXPECT_EQ(target->Value(), 5);
  EXPECT_EQ(source->GetRefCount(), 2u);
}

TEST_F(ObjectPtrTest, AdoptRefTakesNoFurtherReference) {
  CountedObject* raw = ObjectLifetime::Create<CountedObject>().Detach();
  ObjectPtr<CountedObject> adopted = AdoptRef(raw);
  EXPECT_EQ(adopted->GetRefCount(), 1u);
}

TEST_F(ObjectPtrTest, QueryAsYieldsAnEmptyHandleForAnUnansweredContract) {
  ObjectPtr<IObjectBase> object(ObjectLifetime::Create<CountedObject>().Get());
  EXPECT_TRUE(QueryAs<ICounted>(object));
  EXPECT_FALSE(QueryAs<IObject>(object));
  EXPECT_EQ(object->GetRefCount(), 1u);
}

// The query table: exact whole-string matches only, nothing written on failure, and a
// null out-parameter never counts as a match.
TEST_F(ObjectPtrTest, QueryMatchesWholeIdentifiersOnly) {
  ObjectPtr<CountedObject> object = ObjectLifetime::Create<CountedObject>();
  const char* const rejected[] = {"com.velkora.general.kel.IObjectBase/1.1",
                                  "com.velkora.general.kel.iobjectbase/1.0",
                                  "com.velkora.general.kel.IObjectBase/1.0 ",
                                  "com.velkora.general.kel.IObjectBase",
                                  "com.velkora.general.kel.IObjectBase/1.",
                                  "",
                                  nullptr};
  for (const char* id : rejected) {
    SCOPED_TRACE(id == nullptr ? "(null)" : id);
    void* untouched = &object;
    EXPECT_EQ(object->QueryInterface(id, &untouched), result::kNoInterface);
    EXPECT_EQ(object->GetInterface(id, &untouched), result::kNoInterface);
    EXPECT_EQ(untouched, &object);
  }
  EXPECT_EQ(object->QueryInterface(IObjectBase::kContractId, nullptr), result::kNoInterface);
  EXPECT_EQ(object->GetRefCount(), 1u);

  void* viaQuery = nullptr;
  void* viaGet = nullptr;
  ASSERT_EQ(object->QueryInterface(IObjectBase::kContractId, &viaQuery), result::kOk);
  ASSERT_EQ(object->GetInterface(IObjectBase::kContractId, &viaGet), result::kOk);
  EXPECT_EQ(viaQuery, viaGet);
  EXPECT_EQ(viaQuery, static_cast<ICounted*>(object.Get()));
  EXPECT_EQ(object->GetRefCount(), 3u);
  object->Release();
  object->Release();
}

}  // namespace
}  // namespace kel::testing
