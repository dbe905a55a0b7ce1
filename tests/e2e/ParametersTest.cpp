// A parse result as the host reaches it through ICommandLineParameters: its contracts, its
// count and owner thread, and the per-name queries HasOption, HasOptionValue and
// GetOptionValue, including names the command line never gave and bytes above 0x7F.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "ModuleHost.h"
#include "kel/host/HostObject.h"
#include "kel/host/LiveObjects.h"
#include "kel/host/ThreadId.h"

namespace kel::testing {
namespace {

using host::LiveObjects;
using host::ObjectKind;
using host::Operation;
using ::testing::ElementsAre;

class ParametersTest : public PluginHostTest {};

constexpr const char* kAnsweredContracts[] = {
    "com.velkora.zq.ICommandLineParameters/1.0",
    "com.velkora.general.kel.IObject/1.0",
    "com.velkora.general.kel.IObjectBase/1.0",
};

constexpr const char* kRefusedContracts[] = {
    "com.velkora.zq.client.IPlugin/1.0",
    "com.velkora.zq.ICommandLineParametersParser/1.0",
    "com.velkora.general.kel.IImportsContainer/1.0",
    "com.velkora.zq.CCommandLineParametersParserPlugin/1.0",
    "com.velkora.zq.ICommandLineParameters/1.1",
    "com.velkora.zq.ICommandLineParameters",
    "com.velkora.zq.icommandlineparameters/1.0",
    "com.velkora.zq.ICommandLineParameters/1.0 ",
    "com.velkora.zq.ICommandLineOptionsIterator/1.0",
    "com.velkora.general.kel.IObserver/1.0",
    "com.velkora.general.kel.IObjectBase/1.1",
    "",
};

TEST_F(ParametersTest, AnswersItsThreeContractsWithTheOnePointerAndNothingElse) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--a=1"});
  ASSERT_TRUE(parameters);
  const RefCount atRest = parameters->GetRefCount();
  ASSERT_EQ(atRest, 2u);
  for (const QueryRoute& route : kQueryRoutes) {
    for (const char* contract : kAnsweredContracts) {
      SCOPED_TRACE(::testing::Message() << route.name << ", " << contract);
      void* out = Sentinel<void>();
      ASSERT_EQ((parameters.Get()->*route.operation)(contract, &out), result::kOk);
      EXPECT_EQ(out, Address(parameters.Get()));
      EXPECT_EQ(parameters->GetRefCount(), atRest + 1);
      EXPECT_EQ(static_cast<IObjectBase*>(out)->Release(), atRest);
      EXPECT_EQ((parameters.Get()->*route.operation)(contract, nullptr), result::kNoInterface);
      EXPECT_EQ(parameters->GetRefCount(), atRest);
    }
    for (const char* contract : kRefusedContracts) {
      SCOPED_TRACE(::testing::Message() << route.name << ", '" << contract << "'");
      ExpectRefused(parameters.Get(), route.operation, contract);
      EXPECT_EQ(parameters->GetRefCount(), atRest);
    }
  }
  EXPECT_EQ(PluginCount(), 4u) << "a result holds no reference of the plug-in";
}

// The owner thread is the one that ran the Parse that built the result, whatever the
// plug-in's own records; replacing it changes nothing else.
TEST_F(ParametersTest, CountsAndOwnerThreadAreItsOwn) {
  ThreadId parsingThread = 0;
  ResultCode parsed = result::kNotFound;
  std::thread parsing([&] {
    parsingThread = host::CurrentThreadId();
    parsed = Parse({"--a=1"});
  });
  parsing.join();
  ASSERT_EQ(parsed, result::kOk);
  ASSERT_NE(parsingThread, host::CurrentThreadId());
  EXPECT_EQ(plugin_->SetThreadId(7), result::kOk);

  const ObjectPtr<ICommandLineParameters> parameters = Current();
  ASSERT_TRUE(parameters);
  EXPECT_EQ(parameters->GetThreadId(), parsingThread);
  EXPECT_EQ(parameters->SetThreadId(0), result::kOk);
  EXPECT_EQ(parameters->GetThreadId(), 0u);
  EXPECT_EQ(plugin_->GetThreadId(), 7u);

  EXPECT_EQ(parameters->AddRef(), 3u);
  EXPECT_FALSE(parameters->IsUnique());
  EXPECT_EQ(parameters->Release(), 2u);
  ASSERT_EQ(Parse({}), result::kOk);
  EXPECT_EQ(parameters->GetRefCount(), 1u);
  EXPECT_TRUE(parameters->IsUnique()) << "the host holds the only reference now";
}

struct NamedQuery {
  const char* name;
  bool present;
  // HasOptionValue's result and, when it is 0, the flag; GetOptionValue's result and text.
  ResultCode hasValueResult;
  bool hasValue;
  ResultCode valueResult;
  const char* value;
};

// After --Name=x --empty -e --a= -s=t --=z: names match whole and exactly.
constexpr NamedQuery kNamedQueries[] = {
    {"Name", true, result::kOk, true, result::kOk, "x"},
    {"empty", true, result::kOk, false, result::kNotFound, nullptr},
    {"e", true, result::kOk, false, result::kNotFound, nullptr},
    {"s", true, result::kOk, true, result::kOk, "t"},
    {"name", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"NAME", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"Nam", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"Namex", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"Name ", false, result::kNotFound, false, result::kNotFound, nullptr},
    {" Name", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"--Name", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"-Name", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"Name=x", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"-e", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"emptyx", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"a", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"x", false, result::kNotFound, false, result::kNotFound, nullptr},
    {"", false, result::kNotFound, false, result::kNotFound, nullptr},
};

TEST_F(ParametersTest, NamesAreMatchedWholeExactlyAndCaseSensitively) {
  const ObjectPtr<ICommandLineParameters> parameters =
      ParseAndGet({"--Name=x", "--empty", "-e", "--a=", "-s=t", "--=z"});
  ASSERT_TRUE(parameters);
  for (const NamedQuery& row : kNamedQueries) {
    SCOPED_TRACE(::testing::Message() << "name '" << row.name << "'");
    const std::uint32_t resolutions = stringsProxy_->GetExportedObjectCalls();
    const std::uint32_t made = strings_->CreateStringCalls();

    FlagOut present;
    EXPECT_EQ(parameters->HasOption(row.name, present.Out()), result::kOk);
    EXPECT_EQ(present.Byte(), row.present ? 1u : 0u);

    FlagOut hasValue;
    EXPECT_EQ(parameters->HasOptionValue(row.name, hasValue.Out()), row.hasValueResult);
    if (row.hasValueResult == result::kOk) {
      EXPECT_EQ(hasValue.Byte(), row.hasValue ? 1u : 0u);
    } else {
      EXPECT_TRUE(hasValue.Untouched());
    }

    IString* value = Sentinel<IString>();
    EXPECT_EQ(parameters->GetOptionValue(row.name, &value), row.valueResult);
    if (row.value == nullptr) {
      EXPECT_EQ(value, Sentinel<IString>());
      EXPECT_EQ(stringsProxy_->GetExportedObjectCalls(), resolutions)
          << "nothing to hand out: the string factory is not even resolved";
      EXPECT_EQ(strings_->CreateStringCalls(), made);
      continue;
    }
    ASSERT_NE(value, Sentinel<IString>());
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(TextOf(value), row.value);
    EXPECT_EQ(AsHost(value).PeekRefCount(), 1u);
    value->Release();
    EXPECT_EQ(strings_->CreateStringCalls(), made + 1);
  }
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 0u);
  ExpectServicesAtRest();
}

TEST_F(ParametersTest, NullArgumentsAreRefusedWithoutAWrite) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--Name=x", "--empty"});
  ASSERT_TRUE(parameters);
  FlagOut flag;
  EXPECT_EQ(parameters->HasOption(nullptr, flag.Out()), result::kNothingToActOn);
  EXPECT_TRUE(flag.Untouched());
  EXPECT_EQ(parameters->HasOption("Name", nullptr), result::kNothingToActOn);
  EXPECT_EQ(parameters->HasOption(nullptr, nullptr), result::kNothingToActOn);

  EXPECT_EQ(parameters->HasOptionValue("Name", nullptr), result::kNothingToActOn);
  EXPECT_EQ(parameters->HasOptionValue("absent", nullptr), result::kNothingToActOn)
      << "the missing out-parameter is reported before the missing name";
  EXPECT_EQ(parameters->HasOptionValue(nullptr, flag.Out()), result::kNothingToActOn);
  EXPECT_TRUE(flag.Untouched());

  EXPECT_EQ(parameters->GetOptionValue("Name", nullptr), result::kNothingToActOn);
  EXPECT_EQ(parameters->GetOptionValue("absent", nullptr), result::kNothingToActOn);
  EXPECT_EQ(parameters->GetOptionValue("empty", nullptr), result::kNothingToActOn);
  IString* value = Sentinel<IString>();
  EXPECT_EQ(parameters->GetOptionValue(nullptr, &value), result::kNotFound)
      << "a null name is no option given";
  EXPECT_EQ(value, Sentinel<IString>());

  EXPECT_EQ(stringsProxy_->CallsBesidesCounting(), 0u) << "no string was to be made";
  EXPECT_EQ(strings_->CallsBesidesCounting(), 0u);
}

// Bytes of 0x80 and above are bytes like any other: names differing in them are distinct,
// and they sort after every ASCII byte, in names and in free arguments alike.
TEST_F(ParametersTest, BytesAbove0x7FMakeDistinctNamesThatSortAfterAscii) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet(
      {"--a\xC3\xA9=high", "--az=z", "--a\x7F=del", "--ab=b", "-\xC3", "\xE4x", "zz", "Z", "\x80"});
  ASSERT_TRUE(parameters);

  struct Row {
    const char* name;
    bool present;
    const char* value;
  };
  const Row rows[] = {
      {"a\xC3\xA9", true, "high"},       {"a\xC3", false, nullptr}, {"a\xC3\xA8", false, nullptr},
      {"a\xC3\xA9\x80", false, nullptr}, {"a\x7F", true, "del"},    {"a\xFF", false, nullptr},
      {"\xC3", false, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << "name of " << std::string(row.name).size() << " bytes: '" << row.name << "'");
    FlagOut present;
    EXPECT_EQ(parameters->HasOption(row.name, present.Out()), result::kOk);
    EXPECT_EQ(present.Byte(), row.present ? 1u : 0u);
    ObjectPtr<IString> value;
    EXPECT_EQ(parameters->GetOptionValue(row.name, value.Put()),
              row.present ? result::kOk : result::kNotFound);
    if (row.value != nullptr) {
      ASSERT_TRUE(value);
      EXPECT_EQ(TextOf(value.Get()), row.value);
    }
  }

  std::vector<std::string> names;
  auto iterator = parameters->GetOptionsIterator();
  ASSERT_TRUE(iterator);
  for (int step = 0; step < 8 && !iterator->IsEnd(); ++step, iterator->Next()) {
    names.emplace_back(iterator->GetName());
  }
  EXPECT_THAT(names, ElementsAre("ab", "az", "a\x7F", "a\xC3\xA9"));

  ObjectPtr<ICollection> freeArguments;
  ASSERT_EQ(parameters->GetFreeArguments(freeArguments.Put()), result::kOk);
  EXPECT_THAT(TextsOf(freeArguments.Get()), ElementsAre("Z", "zz", "\x80", "\xE4x"));
}

// Each value handed out is a new host string made by a factory resolved for that call alone.
TEST_F(ParametersTest, EachValueIsANewHostStringFromAFreshlyResolvedFactory) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--k=a b=c", "--e"});
  ASSERT_TRUE(parameters);

  ObjectPtr<IString> first;
  ASSERT_EQ(parameters->GetOptionValue("k", first.Put()), result::kOk);
  ObjectPtr<IString> second;
  ASSERT_EQ(parameters->GetOptionValue("k", second.Put()), result::kOk);
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_NE(first.Get(), second.Get());
  EXPECT_EQ(TextOf(first.Get()), "a b=c");
  EXPECT_EQ(TextOf(second.Get()), "a b=c");
  EXPECT_EQ(AsHost(first.Get()).PeekRefCount(), 1u);
  EXPECT_EQ(AsHost(second.Get()).PeekRefCount(), 1u);
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 2u);

  EXPECT_EQ(stringsProxy_->GetExportedObjectCalls(), 2u) << "resolved once per call";
  EXPECT_THAT(stringsProxy_->QueriedIds(),
              ElementsAre(IExportProxy::kContractId, IExportProxy::kContractId));
  EXPECT_THAT(strings_->QueriedIds(),
              ElementsAre(IStringFactory::kContractId, IStringFactory::kContractId));
  EXPECT_THAT(strings_->RequestedTexts(), ElementsAre("a b=c", "a b=c"));
  EXPECT_EQ(collectionsProxy_->CallsBesidesCounting(), 0u);
  ExpectServicesAtRest();

  // The proxy's result code is not examined: what it yields is what counts.
  stringsProxy_->ReturnCode(-5);
  ObjectPtr<IString> third;
  EXPECT_EQ(parameters->GetOptionValue("k", third.Put()), result::kOk);
  ASSERT_TRUE(third);
  EXPECT_EQ(TextOf(third.Get()), "a b=c");

  // A string the factory does not make is handed out as null, with success.
  strings_->FailCreateString(true);
  IString* none = Sentinel<IString>();
  EXPECT_EQ(parameters->GetOptionValue("k", &none), result::kOk);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(strings_->CreateStringCalls(), 4u);
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 3u);
  ExpectServicesAtRest();
}

}  // namespace
}  // namespace kel::testing
