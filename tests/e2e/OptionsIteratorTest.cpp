// The options iterator as the host gets it from a parse result in the loaded module: the
// walk in byte order of the names, the answers at each position and at the end, the names
// it lends, its one contract, and the references it is handed out with.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ModuleHost.h"
#include "kel/host/LiveObjects.h"

namespace kel::testing {
namespace {

using host::LiveObjects;
using host::ObjectKind;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class OptionsIteratorTest : public PluginHostTest {
 protected:
  // Fails the test unless `iterator` is at its end, answering as the end does, and stays
  // there.
  void ExpectAtEnd(ICommandLineOptionsIterator& iterator) {
    EXPECT_TRUE(iterator.IsEnd());
    EXPECT_EQ(iterator.GetName(), nullptr);
    FlagOut hasValue;
    EXPECT_EQ(iterator.HasValue(hasValue.Out()), result::kNothingToActOn);
    EXPECT_TRUE(hasValue.Untouched());
    EXPECT_EQ(iterator.HasValue(nullptr), result::kNothingToActOn);
    IString* value = Sentinel<IString>();
    EXPECT_EQ(iterator.GetValue(&value), result::kNothingToActOn);
    EXPECT_EQ(value, Sentinel<IString>());
    EXPECT_EQ(iterator.GetValue(nullptr), result::kNothingToActOn);
    for (int call = 0; call < 3; ++call) EXPECT_EQ(iterator.Next(), result::kNothingToActOn);
    EXPECT_TRUE(iterator.IsEnd());
  }
};

struct Walk {
  std::vector<std::string> arguments;
  std::vector<std::string> names;
};

TEST_F(OptionsIteratorTest, VisitsEveryOptionOnceInByteOrderOfTheNames) {
  const Walk walks[] = {
      {{"--b=1", "--a", "-c"}, {"a", "b", "c"}},
      {{"--a=1", "--B=2", "-Z"}, {"B", "Z", "a"}},
      {{"--abc", "--a", "--ab"}, {"a", "ab", "abc"}},
      {{"--x=1", "-x2", "--x"}, {"x"}},
      {{"free", "--", "-5"}, {}},
      {{}, {}},
  };
  for (const Walk& walk : walks) {
    SCOPED_TRACE(::testing::PrintToString(walk.arguments));
    const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet(walk.arguments);
    ASSERT_TRUE(parameters);
    auto iterator = parameters->GetOptionsIterator();
    ASSERT_TRUE(iterator);
    std::vector<std::string> names;
    while (!iterator->IsEnd() && names.size() <= walk.names.size()) {
      names.emplace_back(iterator->GetName());
      EXPECT_EQ(iterator->Next(), result::kOk) << "Next succeeds once per option";
    }
    EXPECT_THAT(names, ElementsAreArray(walk.names));
    ExpectAtEnd(*iterator);
  }
}

// --b=1 --a -c: a and c have no value, b has the value 1.
TEST_F(OptionsIteratorTest, AnswersForTheOptionItIsOn) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--b=1", "--a", "-c"});
  ASSERT_TRUE(parameters);
  auto iterator = parameters->GetOptionsIterator();
  ASSERT_TRUE(iterator);

  struct Position {
    const char* name;
    const char* value;  // null: no value
  };
  const Position positions[] = {{"a", nullptr}, {"b", "1"}, {"c", nullptr}};
  for (const Position& position : positions) {
    SCOPED_TRACE(position.name);
    ASSERT_FALSE(iterator->IsEnd());
    ASSERT_STREQ(iterator->GetName(), position.name);
    const std::uint32_t resolutions = stringsProxy_->GetExportedObjectCalls();

    // Failures leave the out-parameter and the position as they were.
    EXPECT_EQ(iterator->HasValue(nullptr), result::kNothingToActOn);
    EXPECT_EQ(iterator->GetValue(nullptr), result::kNothingToActOn);
    EXPECT_STREQ(iterator->GetName(), position.name);

    FlagOut hasValue;
    EXPECT_EQ(iterator->HasValue(hasValue.Out()), result::kOk);
    EXPECT_EQ(hasValue.Byte(), position.value != nullptr ? 1u : 0u);
    IString* value = Sentinel<IString>();
    if (position.value == nullptr) {
      EXPECT_EQ(iterator->GetValue(&value), result::kNotFound);
      EXPECT_EQ(value, Sentinel<IString>());
      EXPECT_EQ(stringsProxy_->GetExportedObjectCalls(), resolutions) << "no factory needed";
    } else {
      EXPECT_EQ(iterator->GetValue(&value), result::kOk);
      ASSERT_NE(value, Sentinel<IString>());
      ASSERT_NE(value, nullptr);
      EXPECT_EQ(TextOf(value), position.value);
      EXPECT_EQ(AsHost(value).PeekRefCount(), 1u) << "the host holds the only reference";
      value->Release();
      EXPECT_EQ(stringsProxy_->GetExportedObjectCalls(), resolutions + 1);
    }
    EXPECT_STREQ(iterator->GetName(), position.name) << "only Next moves";
    EXPECT_EQ(iterator->Next(), result::kOk);
  }
  ExpectAtEnd(*iterator);
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 0u);
  ExpectServicesAtRest();
}

// Every GetValue asks a freshly resolved factory for a new string; a string not made is
// handed out as null with success.
TEST_F(OptionsIteratorTest, EachValueIsANewStringFromAFreshlyResolvedFactory) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--k=v w"});
  ASSERT_TRUE(parameters);
  auto iterator = parameters->GetOptionsIterator();
  ASSERT_TRUE(iterator);
  ObjectPtr<IString> first;
  ObjectPtr<IString> second;
  ASSERT_EQ(iterator->GetValue(first.Put()), result::kOk);
  ASSERT_EQ(iterator->GetValue(second.Put()), result::kOk);
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_NE(first.Get(), second.Get());
  EXPECT_EQ(TextOf(second.Get()), "v w");
  EXPECT_EQ(stringsProxy_->GetExportedObjectCalls(), 2u);
  EXPECT_THAT(strings_->QueriedIds(),
              ElementsAre(IStringFactory::kContractId, IStringFactory::kContractId));
  ExpectServicesAtRest();

  strings_->FailCreateString(true);
  IString* none = Sentinel<IString>();
  EXPECT_EQ(iterator->GetValue(&none), result::kOk);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(strings_->CreateStringCalls(), 3u);
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 2u);
  ExpectServicesAtRest();
}

// GetName lends the name stored in the result: the same bytes at the same address for
// every iterator, valid after Next and after the iterator is gone, as long as the result
// lives (here beyond the Parse that replaced it).
TEST_F(OptionsIteratorTest, NamesAreLentByTheResultAndOutliveTheIterator) {
  ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--alpha=1", "--beta", "-g"});
  ASSERT_TRUE(parameters);
  std::vector<const char*> lent;
  {
    auto iterator = parameters->GetOptionsIterator();
    ASSERT_TRUE(iterator);
    for (; !iterator->IsEnd() && lent.size() < 3; iterator->Next()) {
      lent.push_back(iterator->GetName());
    }
  }
  ASSERT_EQ(lent.size(), 3u);
  ASSERT_EQ(Parse({"--alpha=2"}), result::kOk);
  EXPECT_STREQ(lent[0], "alpha");
  EXPECT_STREQ(lent[1], "beta");
  EXPECT_STREQ(lent[2], "g");

  auto again = parameters->GetOptionsIterator();
  ASSERT_TRUE(again);
  for (const char* name : lent) {
    ASSERT_FALSE(again->IsEnd());
    EXPECT_EQ(again->GetName(), name) << "not a copy: the result's own name";
    again->Next();
  }
}

TEST_F(OptionsIteratorTest, AnswersOnlyTheRootContract) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--a"});
  ASSERT_TRUE(parameters);
  auto iterator = parameters->GetOptionsIterator();
  ASSERT_TRUE(iterator);
  for (const QueryRoute& route : kQueryRoutes) {
    SCOPED_TRACE(route.name);
    void* out = Sentinel<void>();
    ASSERT_EQ((iterator.Get()->*route.operation)(IObjectBase::kContractId, &out), result::kOk);
    EXPECT_EQ(out, Address(iterator.Get()));
    EXPECT_EQ(iterator->GetRefCount(), 2u);
    EXPECT_EQ(static_cast<IObjectBase*>(out)->Release(), 1u);
    EXPECT_EQ((iterator.Get()->*route.operation)(IObjectBase::kContractId, nullptr),
              result::kNoInterface);

    for (const char* contract :
         {"com.velkora.general.kel.IObject/1.0", "com.velkora.zq.ICommandLineParameters/1.0",
          "com.velkora.zq.ICommandLineOptionsIterator/1.0", "com.velkora.zq.client.IPlugin/1.0",
          "com.velkora.general.kel.IObjectBase/1.1", "com.velkora.general.kel.IObjectBase", ""}) {
      SCOPED_TRACE(contract);
      ExpectRefused(iterator.Get(), route.operation, contract);
    }
    EXPECT_EQ(iterator->GetRefCount(), 1u);
  }
  EXPECT_EQ(parameters->GetRefCount(), 2u) << "an iterator holds no reference of its result";
}

// Both ways of making an iterator hand the host its only reference; a null out-parameter
// makes none; none of it touches the result's count.
TEST_F(OptionsIteratorTest, MadeWithOneReferenceForTheHostAndNoneOfTheResult) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--b=1", "--a"});
  ASSERT_TRUE(parameters);
  ASSERT_EQ(parameters->GetRefCount(), 2u);

  EXPECT_EQ(parameters->CreateOptionsIterator(nullptr), result::kNullObjectOut);
  EXPECT_EQ(parameters->GetRefCount(), 2u);

  ICommandLineOptionsIterator* created = Sentinel<ICommandLineOptionsIterator>();
  ASSERT_EQ(parameters->CreateOptionsIterator(&created), result::kOk);
  ASSERT_NE(created, Sentinel<ICommandLineOptionsIterator>());
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->GetRefCount(), 1u);
  EXPECT_TRUE(created->IsUnique());
  EXPECT_STREQ(created->GetName(), "a") << "made on the first option";

  auto handle = parameters->GetOptionsIterator();
  ASSERT_TRUE(handle);
  EXPECT_NE(static_cast<ICommandLineOptionsIterator*>(handle.Get()), created);
  EXPECT_EQ(handle->GetRefCount(), 1u) << "the handle adopts the one reference";
  EXPECT_TRUE(handle->IsUnique());
  EXPECT_EQ(parameters->GetRefCount(), 2u);

  // Independent positions over the same options.
  EXPECT_EQ(created->Next(), result::kOk);
  EXPECT_STREQ(created->GetName(), "b");
  EXPECT_STREQ(handle->GetName(), "a");
  EXPECT_EQ(handle->Next(), result::kOk);
  EXPECT_EQ(handle->Next(), result::kOk);
  EXPECT_TRUE(handle->IsEnd());
  EXPECT_STREQ(created->GetName(), "b");

  EXPECT_EQ(created->AddRef(), 2u);
  EXPECT_FALSE(created->IsUnique());
  EXPECT_EQ(created->Release(), 1u);
  EXPECT_EQ(created->Release(), 0u) << "the last reference ends it";
  EXPECT_EQ(handle.Detach()->Release(), 0u);
  EXPECT_EQ(parameters->GetRefCount(), 2u);
}

}  // namespace
}  // namespace kel::testing
