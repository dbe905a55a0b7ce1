// Parse and GetParameters through the loaded module: nothing before the first Parse, one
// result per Parse installed before the previous one is given back, and results the host
// obtained earlier that keep their contents.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ModuleHost.h"
#include "kel/host/HostObserver.h"

namespace kel::testing {
namespace {

using host::HostObserver;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ParseResultTest : public PluginHostTest {
 protected:
  // Fails the test unless `parameters` holds exactly the option `name` with `value`
  // (non-empty) and the one free argument `free`.
  void ExpectHolds(ICommandLineParameters& parameters, const char* name, const char* value,
                   const char* free) {
    auto iterator = parameters.GetOptionsIterator();
    ASSERT_TRUE(iterator);
    ASSERT_FALSE(iterator->IsEnd());
    EXPECT_STREQ(iterator->GetName(), name);
    ObjectPtr<IString> text;
    EXPECT_EQ(iterator->GetValue(text.Put()), result::kOk);
    ASSERT_TRUE(text);
    EXPECT_EQ(TextOf(text.Get()), value);
    EXPECT_EQ(iterator->Next(), result::kOk);
    EXPECT_TRUE(iterator->IsEnd()) << "one option only";
    ObjectPtr<ICollection> freeArguments;
    ASSERT_EQ(parameters.GetFreeArguments(freeArguments.Put()), result::kOk);
    EXPECT_THAT(TextsOf(freeArguments.Get()), ElementsAre(free));
  }

  // Fails the test unless `parameters` holds no option and no free argument.
  void ExpectEmpty(ICommandLineParameters& parameters) {
    auto iterator = parameters.GetOptionsIterator();
    ASSERT_TRUE(iterator);
    EXPECT_TRUE(iterator->IsEnd());
    FlagOut present;
    EXPECT_EQ(parameters.HasOption("x", present.Out()), result::kOk);
    EXPECT_EQ(present.Byte(), 0u);
    ObjectPtr<ICollection> freeArguments;
    ASSERT_EQ(parameters.GetFreeArguments(freeArguments.Put()), result::kOk);
    ASSERT_TRUE(freeArguments);
    EXPECT_THAT(TextsOf(freeArguments.Get()), IsEmpty());
  }
};

TEST_F(ParseResultTest, NothingToGetBeforeTheFirstParse) {
  EXPECT_EQ(parser_->GetParameters(nullptr), result::kNothingToActOn)
      << "the missing result is reported before the missing out-parameter";
  ICommandLineParameters* out = Sentinel<ICommandLineParameters>();
  EXPECT_EQ(parser_->GetParameters(&out), result::kNothingToActOn);
  EXPECT_EQ(out, Sentinel<ICommandLineParameters>());

  EXPECT_EQ(Parse({}), result::kOk);
  EXPECT_EQ(parser_->GetParameters(nullptr), result::kNullObjectOut);
  EXPECT_EQ(PluginCount(), 4u) << "GetParameters changes no count of the plug-in";
}

TEST_F(ParseResultTest, EachGetParametersHandsOutTheSameObjectWithOneMoreReference) {
  ASSERT_EQ(Parse({"--a=1"}), result::kOk);
  ICommandLineParameters* first = Sentinel<ICommandLineParameters>();
  ASSERT_EQ(parser_->GetParameters(&first), result::kOk);
  ASSERT_NE(first, Sentinel<ICommandLineParameters>());
  EXPECT_EQ(first->GetRefCount(), 2u) << "the plug-in's reference and the host's";
  ICommandLineParameters* second = nullptr;
  ASSERT_EQ(parser_->GetParameters(&second), result::kOk);
  EXPECT_EQ(second, first);
  EXPECT_EQ(first->GetRefCount(), 3u);

  // What GetParameters hands out is the ICommandLineParameters interface itself.
  void* queried = nullptr;
  ASSERT_EQ(first->QueryInterface(ICommandLineParameters::kContractId, &queried), result::kOk);
  EXPECT_EQ(queried, Address(first));
  EXPECT_EQ(static_cast<IObjectBase*>(queried)->Release(), 3u);

  EXPECT_EQ(second->Release(), 2u);
  EXPECT_EQ(first->Release(), 1u) << "the plug-in's reference remains";
  EXPECT_EQ(PluginCount(), 4u);
}

// argc of 1, 0 or below reads no argument, but Parse still builds and installs a new, empty
// result and gives back its reference to the previous one.
TEST_F(ParseResultTest, ParseWithoutArgumentsToReadStillReplacesTheResult) {
  const std::int32_t counts[] = {1, 0, -1, std::numeric_limits<std::int32_t>::min()};
  const char* const argv[] = {"--x=1", "--y=2", "free", nullptr};
  for (const std::int32_t argc : counts) {
    SCOPED_TRACE(::testing::Message() << "argc " << argc);
    // The host holds the previous result: it stays, with the plug-in's reference gone.
    HostObserver* const observer = NewObserver();
    ObjectPtr<ICommandLineParameters> held = ParseAndGet({"--x=1", "free"});
    ASSERT_TRUE(held);
    ASSERT_EQ(held->GetRefCount(), 2u);
    held->AddObserver(observer, nullptr);
    ASSERT_EQ(parser_->Parse(argc, argv), result::kOk);
    EXPECT_EQ(held->GetRefCount(), 1u) << "the plug-in gave its reference back";
    EXPECT_EQ(observer->NotifyCalls(), 0u);
    const ObjectPtr<ICommandLineParameters> replacement = Current();
    ASSERT_TRUE(replacement);
    EXPECT_NE(replacement.Get(), held.Get());
    EXPECT_EQ(replacement->GetRefCount(), 2u);
    ExpectEmpty(*replacement);
    ExpectHolds(*held, "x", "1", "free");
    held.Reset();
    EXPECT_EQ(observer->NotifyCalls(), 1u) << "the host's reference was the last";

    // Nobody else holds the previous result: the Parse that replaces it destroys it, and
    // does so only once the new result is installed, so an observer that asks for the
    // current result while the notice goes out is already given the new one.
    ASSERT_EQ(Parse({"--x=1"}), result::kOk);
    const void* previous = Address(Current().Get());
    struct DuringNotice {
      ResultCode answer = result::kNotFound;
      const void* current = nullptr;
    };
    const auto during = std::make_shared<DuringNotice>();
    HostObserver* const destroyed = NewObserver([this, during](const host::Notice&) {
      if (!parser_) return;  // the plug-in is going: nothing to ask
      ICommandLineParameters* current = Sentinel<ICommandLineParameters>();
      during->answer = parser_->GetParameters(&current);
      if (during->answer != result::kOk) return;
      during->current = Address(current);
      current->Release();
    });
    Current()->AddObserver(destroyed, nullptr);
    ASSERT_EQ(parser_->Parse(argc, argv), result::kOk);
    EXPECT_EQ(destroyed->NotifyCalls(), 1u) << "destroyed by the Parse that replaced it";
    const ObjectPtr<ICommandLineParameters> empty = Current();
    ASSERT_TRUE(empty);
    EXPECT_EQ(during->answer, result::kOk);
    EXPECT_EQ(during->current, Address(empty.Get()));
    EXPECT_NE(Address(empty.Get()), previous) << "made while the previous one was alive";
    ExpectEmpty(*empty);
  }
}

TEST_F(ParseResultTest, SuccessiveParsesLeaveEarlierResultsAsTheyWere) {
  const ObjectPtr<ICommandLineParameters> first = ParseAndGet({"--a=1", "x"});
  const ObjectPtr<ICommandLineParameters> second = ParseAndGet({"--b=2", "y"});
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_NE(first.Get(), second.Get());
  EXPECT_EQ(first->GetRefCount(), 1u) << "only the host holds the replaced result";
  EXPECT_TRUE(first->IsUnique());
  EXPECT_EQ(second->GetRefCount(), 2u);
  EXPECT_FALSE(second->IsUnique());
  ExpectHolds(*first, "a", "1", "x");
  ExpectHolds(*second, "b", "2", "y");
  FlagOut present;
  EXPECT_EQ(second->HasOption("a", present.Out()), result::kOk);
  EXPECT_EQ(present.Byte(), 0u) << "nothing of an earlier parse reaches a later result";

  const ObjectPtr<ICommandLineParameters> third = ParseAndGet({"--c=3", "z"});
  ASSERT_TRUE(third);
  EXPECT_EQ(second->GetRefCount(), 1u);
  EXPECT_EQ(Current().Get(), third.Get());
  ExpectHolds(*first, "a", "1", "x");
  ExpectHolds(*second, "b", "2", "y");
  ExpectHolds(*third, "c", "3", "z");
  ExpectServicesAtRest();
}

}  // namespace
}  // namespace kel::testing
