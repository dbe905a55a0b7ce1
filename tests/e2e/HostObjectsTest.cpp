// What the parse result makes with the host's factories: the free arguments as a host
// collection of host strings, with every way the factories can fail, and what every
// operation that needs a factory does when its import is missing or unusable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "ModuleHost.h"
#include "kel/host/HostObject.h"
#include "kel/host/LiveObjects.h"
#include "kel/host/PlainHostObject.h"

namespace kel::testing {
namespace {

using host::HostCollectionFactory;
using host::HostExportProxy;
using host::HostStringFactory;
using host::LiveObjects;
using host::ObjectKind;
using host::PlainHostObject;
using ::testing::ElementsAre;

class FreeArgumentsTest : public PluginHostTest {
 protected:
  void ExpectNothingMadeIsAlive() {
    EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 0u);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::Collection), 0u);
  }
};

TEST_F(FreeArgumentsTest, ComeInByteOrderEachOnceAsHostStringsInAHostCollection) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"b", "B", "a", "b", "--o=v"});
  ASSERT_TRUE(parameters);
  ICollection* out = Sentinel<ICollection>();
  ASSERT_EQ(parameters->GetFreeArguments(&out), result::kOk);
  ASSERT_NE(out, Sentinel<ICollection>());
  ASSERT_NE(out, nullptr);
  const ObjectPtr<ICollection> collection(AdoptRef(out));

  EXPECT_EQ(AsHost(out).PeekRefCount(), 1u) << "the host holds the only reference";
  EXPECT_EQ(AsHost(out).AddCalls(), 3u);
  for (IString* item : AsHost(out).Items()) {
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(AsHost(item).PeekRefCount(), 1u) << "held by the collection alone";
  }
  EXPECT_THAT(TextsOf(out), ElementsAre("B", "a", "b"));
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 3u);
  EXPECT_EQ(LiveObjects::Count(ObjectKind::Collection), 1u);

  EXPECT_EQ(collections_->CreateCollectionCalls(), 1u);
  EXPECT_THAT(strings_->RequestedTexts(), ElementsAre("B", "a", "b"));
  EXPECT_EQ(collectionsProxy_->GetExportedObjectCalls(), 1u);
  EXPECT_EQ(stringsProxy_->GetExportedObjectCalls(), 3u) << "resolved afresh for every string";
  EXPECT_THAT(collections_->QueriedIds(), ElementsAre(ICollectionFactory::kContractId));
  EXPECT_THAT(strings_->QueriedIds(),
              ElementsAre(IStringFactory::kContractId, IStringFactory::kContractId,
                          IStringFactory::kContractId));
  ExpectServicesAtRest();

  ObjectPtr<ICollection> again;
  ASSERT_EQ(parameters->GetFreeArguments(again.Put()), result::kOk);
  EXPECT_NE(again.Get(), collection.Get()) << "a new collection for every call";
  EXPECT_THAT(TextsOf(again.Get()), ElementsAre("B", "a", "b"));
  EXPECT_EQ(collectionsProxy_->GetExportedObjectCalls(), 2u);
  EXPECT_EQ(stringsProxy_->GetExportedObjectCalls(), 6u);
  ExpectServicesAtRest();
}

TEST_F(FreeArgumentsTest, NoFreeArgumentsGiveAnEmptyCollection) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--a=1", "-b"});
  ASSERT_TRUE(parameters);
  ObjectPtr<ICollection> collection;
  ASSERT_EQ(parameters->GetFreeArguments(collection.Put()), result::kOk);
  ASSERT_TRUE(collection);
  EXPECT_EQ(collection->GetCount(), 0u);
  EXPECT_EQ(AsHost(collection.Get()).AddCalls(), 0u);
  EXPECT_EQ(AsHost(collection.Get()).PeekRefCount(), 1u);
  EXPECT_EQ(collections_->CreateCollectionCalls(), 1u);
  EXPECT_EQ(strings_->CallsBesidesCounting(), 0u);
  EXPECT_EQ(stringsProxy_->CallsBesidesCounting(), 0u);
}

TEST_F(FreeArgumentsTest, NullOutStillMakesEveryObjectThenGivesAllBack) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"b", "B", "a", "b"});
  ASSERT_TRUE(parameters);
  const std::uint32_t collectionsMade = LiveObjects::Created(ObjectKind::Collection);
  const std::uint32_t stringsMade = LiveObjects::Created(ObjectKind::String);
  EXPECT_EQ(parameters->GetFreeArguments(nullptr), result::kNullObjectOut);
  EXPECT_EQ(LiveObjects::Created(ObjectKind::Collection), collectionsMade + 1);
  EXPECT_EQ(LiveObjects::Created(ObjectKind::String), stringsMade + 3);
  EXPECT_THAT(strings_->RequestedTexts(), ElementsAre("B", "a", "b"));
  ExpectNothingMadeIsAlive();
  ExpectServicesAtRest();
}

TEST_F(FreeArgumentsTest, CreateCollectionFailureCodeComesBackUnchanged) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"x", "y"});
  ASSERT_TRUE(parameters);
  const ResultCode codes[] = {
      -1, -2, -5, -7, host::kInjectedFailure, std::numeric_limits<ResultCode>::min()};
  for (const ResultCode code : codes) {
    SCOPED_TRACE(::testing::Message() << "CreateCollection fails with " << code);
    collections_->FailCreateCollection(code);
    ICollection* out = Sentinel<ICollection>();
    EXPECT_EQ(parameters->GetFreeArguments(&out), code);
    EXPECT_EQ(out, Sentinel<ICollection>());
    EXPECT_EQ(parameters->GetFreeArguments(nullptr), code) << "the failure comes first";
    EXPECT_EQ(strings_->CallsBesidesCounting(), 0u) << "no string for a collection not made";
    EXPECT_EQ(stringsProxy_->CallsBesidesCounting(), 0u);
    ExpectNothingMadeIsAlive();
    ExpectServicesAtRest();
  }
}

// CreateCollection reports success with any code of 0 or more; the module's own result is 0.
TEST_F(FreeArgumentsTest, AnyCodeOfZeroOrMoreFromCreateCollectionIsSuccess) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"x"});
  ASSERT_TRUE(parameters);
  for (const ResultCode code : {1, 5, std::numeric_limits<ResultCode>::max()}) {
    SCOPED_TRACE(::testing::Message() << "CreateCollection succeeds with " << code);
    collections_->SetSuccessCode(code);
    ObjectPtr<ICollection> collection;
    EXPECT_EQ(parameters->GetFreeArguments(collection.Put()), result::kOk);
    ASSERT_TRUE(collection);
    EXPECT_THAT(TextsOf(collection.Get()), ElementsAre("x"));
  }
}

TEST_F(FreeArgumentsTest, ACollectionReportedButNotMadeGivesNothing) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"x", "y"});
  ASSERT_TRUE(parameters);
  collections_->SucceedWithNull(true);
  ICollection* out = Sentinel<ICollection>();
  EXPECT_EQ(parameters->GetFreeArguments(&out), result::kNotFound);
  EXPECT_EQ(out, Sentinel<ICollection>());
  EXPECT_EQ(collections_->CreateCollectionCalls(), 1u);
  EXPECT_EQ(strings_->CallsBesidesCounting(), 0u) << "nothing to put strings into";
  EXPECT_EQ(stringsProxy_->CallsBesidesCounting(), 0u);
  ExpectNothingMadeIsAlive();
  ExpectServicesAtRest();
}

TEST_F(FreeArgumentsTest, StringsTheFactoryDoesNotMakeGoInAsNull) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"b", "B", "a"});
  ASSERT_TRUE(parameters);
  strings_->FailCreateString(true);
  ObjectPtr<ICollection> collection;
  EXPECT_EQ(parameters->GetFreeArguments(collection.Put()), result::kOk);
  ASSERT_TRUE(collection);
  EXPECT_EQ(AsHost(collection.Get()).AddCalls(), 3u);
  EXPECT_THAT(AsHost(collection.Get()).Items(), ElementsAre(nullptr, nullptr, nullptr));
  EXPECT_THAT(strings_->RequestedTexts(), ElementsAre("B", "a", "b"));
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 0u);
  ExpectServicesAtRest();
}

// Ways an import can be missing or unusable, each reported by its own line.
enum class Breakage {
  kNothingUnderTheName,
  kNullObject,
  kObjectIsNoProxy,
  kProxyYieldsNothing,
  kProxyFailsAndYieldsNothing,
  kExportedObjectIsNoFactory,
  kExportedObjectIsTheOtherFactory,
};

std::string BreakageName(const ::testing::TestParamInfo<Breakage>& info) {
  switch (info.param) {
    case Breakage::kNothingUnderTheName:
      return "NothingUnderTheNameButItsLowerCase";
    case Breakage::kNullObject:
      return "NullObjectUnderTheName";
    case Breakage::kObjectIsNoProxy:
      return "ObjectUnderTheNameIsNoProxy";
    case Breakage::kProxyYieldsNothing:
      return "ProxyYieldsNothing";
    case Breakage::kProxyFailsAndYieldsNothing:
      return "ProxyFailsAndYieldsNothing";
    case Breakage::kExportedObjectIsNoFactory:
      return "ExportedObjectIsNoFactory";
    case Breakage::kExportedObjectIsTheOtherFactory:
      return "ExportedObjectIsTheOtherKindOfFactory";
  }
  return "Unknown";
}

constexpr Breakage kBreakages[] = {
    Breakage::kNothingUnderTheName,
    Breakage::kNullObject,
    Breakage::kObjectIsNoProxy,
    Breakage::kProxyYieldsNothing,
    Breakage::kProxyFailsAndYieldsNothing,
    Breakage::kExportedObjectIsNoFactory,
    Breakage::kExportedObjectIsTheOtherFactory,
};

void PrintTo(Breakage breakage, std::ostream* out) {
  *out << BreakageName(::testing::TestParamInfo<Breakage>(breakage, 0));
}

class BrokenImportTest : public PluginHostTest, public ::testing::WithParamInterface<Breakage> {
 protected:
  void TearDown() override {
    // The import table may hold the last references; the unload gives them back.
    plain_.Reset();
    proxy_.Reset();
    otherCollections_.Reset();
    otherStrings_.Reset();
    PluginHostTest::TearDown();
  }

  // Puts this test's breakage under `property` ("StringFactory" or "CollectionFactory").
  void Break(const std::string& property) {
    property_ = property;
    const bool strings = property == "StringFactory";
    switch (GetParam()) {
      case Breakage::kNothingUnderTheName:
        ASSERT_EQ(imports_->ClearImports(), result::kOk);
        ASSERT_EQ(imports_->SetImport("Logger", loggerProxy_.Get()), result::kOk);
        ASSERT_EQ(imports_->SetImport(strings ? "CollectionFactory" : "StringFactory",
                                      strings ? collectionsProxy_.Get() : stringsProxy_.Get()),
                  result::kOk);
        ASSERT_EQ(imports_->SetImport(strings ? "stringfactory" : "collectionfactory",
                                      strings ? stringsProxy_.Get() : collectionsProxy_.Get()),
                  result::kOk);
        return;
      case Breakage::kNullObject:
        ASSERT_EQ(imports_->SetImport(property.c_str(), nullptr), result::kOk);
        return;
      case Breakage::kObjectIsNoProxy:
        plain_ = PlainHostObject::Create();
        ASSERT_EQ(imports_->SetImport(property.c_str(), plain_.Get()), result::kOk);
        return;
      case Breakage::kProxyYieldsNothing:
        proxy_ = HostExportProxy::Create();
        ASSERT_EQ(imports_->SetImport(property.c_str(), proxy_.Get()), result::kOk);
        return;
      case Breakage::kProxyFailsAndYieldsNothing:
        proxy_ = HostExportProxy::Create();
        proxy_->ReturnCode(-5);
        ASSERT_EQ(imports_->SetImport(property.c_str(), proxy_.Get()), result::kOk);
        return;
      case Breakage::kExportedObjectIsNoFactory:
        plain_ = PlainHostObject::Create();
        proxy_ = HostExportProxy::Create(ObjectPtr<IObjectBase>(plain_.Get()));
        ASSERT_EQ(imports_->SetImport(property.c_str(), proxy_.Get()), result::kOk);
        return;
      case Breakage::kExportedObjectIsTheOtherFactory:
        if (strings) {
          otherCollections_ = HostCollectionFactory::Create();
          proxy_ = HostExportProxy::Create(ObjectPtr<IObjectBase>(otherCollections_.Get()));
        } else {
          otherStrings_ = HostStringFactory::Create();
          proxy_ = HostExportProxy::Create(ObjectPtr<IObjectBase>(otherStrings_.Get()));
        }
        ASSERT_EQ(imports_->SetImport(property.c_str(), proxy_.Get()), result::kOk);
        return;
    }
  }

  // The line one use prints, with its end of line.
  std::string ExpectedLine(ContractId required) const {
    switch (GetParam()) {
      case Breakage::kNothingUnderTheName:
        return Line(NoEntryLine(property_));
      case Breakage::kNullObject:
      case Breakage::kObjectIsNoProxy:
        return Line(NoProxyLine(property_));
      case Breakage::kProxyYieldsNothing:
      case Breakage::kProxyFailsAndYieldsNothing:
        return Line(NoObjectLine(property_));
      case Breakage::kExportedObjectIsNoFactory:
      case Breakage::kExportedObjectIsTheOtherFactory:
        return Line(NoInterfaceLine(property_, required));
    }
    return {};
  }

  // What stands in for the factory was asked only what resolution asks, once per use, and
  // was given back every reference resolution took.
  void ExpectStandInOnlyQueried(std::uint32_t uses, ContractId required) {
    if (GetParam() == Breakage::kNothingUnderTheName) {
      HostExportProxy& unnamed = property_ == "StringFactory" ? *stringsProxy_ : *collectionsProxy_;
      EXPECT_EQ(unnamed.CallsBesidesCounting(), 0u) << "an entry under another name is no match";
    }
    if (plain_ && !proxy_) {
      EXPECT_EQ(plain_->QueriedIds(), std::vector<std::string>(uses, IExportProxy::kContractId));
      EXPECT_EQ(plain_->CallsBesidesCounting(), uses);
      EXPECT_EQ(plain_->PeekRefCount(), 2u) << "the host's and the import table's";
    }
    if (proxy_) {
      EXPECT_EQ(proxy_->GetExportedObjectCalls(), uses);
      EXPECT_EQ(proxy_->QueriedIds(), std::vector<std::string>(uses, IExportProxy::kContractId));
      EXPECT_EQ(proxy_->PeekRefCount(), 2u) << "the host's and the import table's";
    }
    if (plain_ && proxy_) {
      EXPECT_EQ(plain_->QueriedIds(), std::vector<std::string>(uses, required));
      EXPECT_EQ(plain_->PeekRefCount(), 2u) << "the host's and the proxy's";
    }
    if (otherCollections_) {
      EXPECT_EQ(otherCollections_->CreateCollectionCalls(), 0u);
      EXPECT_EQ(otherCollections_->QueriedIds(), std::vector<std::string>(uses, required));
      EXPECT_EQ(otherCollections_->PeekRefCount(), 2u);
    }
    if (otherStrings_) {
      EXPECT_EQ(otherStrings_->CreateStringCalls(), 0u);
      EXPECT_EQ(otherStrings_->QueriedIds(), std::vector<std::string>(uses, required));
      EXPECT_EQ(otherStrings_->PeekRefCount(), 2u);
    }
  }

  // Puts the standard imports back, leaving nothing of the breakage in the table.
  void Repair() {
    if (GetParam() == Breakage::kNothingUnderTheName) {
      ASSERT_EQ(imports_->SetImport(
                    property_ == "StringFactory" ? "stringfactory" : "collectionfactory", nullptr),
                result::kOk);
    }
    InjectStandardImports();
  }

  std::string property_;
  ObjectPtr<PlainHostObject> plain_;
  ObjectPtr<HostExportProxy> proxy_;
  ObjectPtr<HostCollectionFactory> otherCollections_;
  ObjectPtr<HostStringFactory> otherStrings_;
};

class StringFactoryBrokenTest : public BrokenImportTest {};
class CollectionFactoryBrokenTest : public BrokenImportTest {};

// Without a usable string factory every value is handed out as null with success, and
// every free argument goes into the collection as null; each string not made prints the
// resolution's line once. Nothing is remembered: the repaired import serves the next use.
TEST_P(StringFactoryBrokenTest, ValuesComeOutNullAndEachUsePrintsItsLine) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--k=v", "--e", "x", "y"});
  ASSERT_TRUE(parameters);
  Break("StringFactory");
  if (HasFatalFailure()) return;
  const std::string line = ExpectedLine(IStringFactory::kContractId);

  IString* value = Sentinel<IString>();
  EXPECT_EQ(parameters->GetOptionValue("k", &value), result::kOk);
  EXPECT_EQ(value, nullptr) << "the string not made is handed out as null";
  EXPECT_EQ(TakeStdout(), line);
  value = Sentinel<IString>();
  EXPECT_EQ(parameters->GetOptionValue("e", &value), result::kNotFound);
  EXPECT_EQ(value, Sentinel<IString>());
  EXPECT_EQ(TakeStdout(), "") << "an empty value needs no factory";

  auto iterator = parameters->GetOptionsIterator();
  ASSERT_TRUE(iterator);
  ASSERT_STREQ(iterator->GetName(), "e");
  value = Sentinel<IString>();
  EXPECT_EQ(iterator->GetValue(&value), result::kNotFound);
  EXPECT_EQ(TakeStdout(), "");
  ASSERT_EQ(iterator->Next(), result::kOk);
  ASSERT_STREQ(iterator->GetName(), "k");
  EXPECT_EQ(iterator->GetValue(&value), result::kOk);
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(TakeStdout(), line);

  ObjectPtr<ICollection> collection;
  EXPECT_EQ(parameters->GetFreeArguments(collection.Put()), result::kOk);
  ASSERT_TRUE(collection);
  EXPECT_THAT(AsHost(collection.Get()).Items(), ElementsAre(nullptr, nullptr));
  EXPECT_EQ(TakeStdout(), line + line) << "resolved afresh for each free argument";
  collection.Reset();

  EXPECT_EQ(strings_->CallsBesidesCounting(), 0u) << "the factory under the name is not reached";
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 0u);
  ExpectStandInOnlyQueried(4, IStringFactory::kContractId);

  Repair();
  ObjectPtr<IString> repaired;
  EXPECT_EQ(parameters->GetOptionValue("k", repaired.Put()), result::kOk);
  ASSERT_TRUE(repaired);
  EXPECT_EQ(TextOf(repaired.Get()), "v");
  EXPECT_EQ(TakeStdout(), "");
  ExpectServicesAtRest();
}

// Without a usable collection factory there is nothing to give: -1, the out-parameter as it
// was, and no string asked for.
TEST_P(CollectionFactoryBrokenTest, FreeArgumentsGiveNothingAndPrintTheLine) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"x", "y"});
  ASSERT_TRUE(parameters);
  Break("CollectionFactory");
  if (HasFatalFailure()) return;
  const std::string line = ExpectedLine(ICollectionFactory::kContractId);

  ICollection* out = Sentinel<ICollection>();
  EXPECT_EQ(parameters->GetFreeArguments(&out), result::kNotFound);
  EXPECT_EQ(out, Sentinel<ICollection>());
  EXPECT_EQ(TakeStdout(), line);
  EXPECT_EQ(parameters->GetFreeArguments(nullptr), result::kNotFound);
  EXPECT_EQ(TakeStdout(), line) << "a failure is reported again at every use";

  EXPECT_EQ(collections_->CallsBesidesCounting(), 0u);
  EXPECT_EQ(strings_->CallsBesidesCounting(), 0u) << "no string asked for";
  EXPECT_EQ(stringsProxy_->CallsBesidesCounting(), 0u) << "the string factory is not resolved";
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 0u);
  EXPECT_EQ(LiveObjects::Count(ObjectKind::Collection), 0u);
  ExpectStandInOnlyQueried(2, ICollectionFactory::kContractId);

  Repair();
  ObjectPtr<ICollection> repaired;
  EXPECT_EQ(parameters->GetFreeArguments(repaired.Put()), result::kOk);
  ASSERT_TRUE(repaired);
  EXPECT_THAT(TextsOf(repaired.Get()), ElementsAre("x", "y"));
  EXPECT_EQ(TakeStdout(), "");
  ExpectServicesAtRest();
}

INSTANTIATE_TEST_SUITE_P(E2e, StringFactoryBrokenTest, ::testing::ValuesIn(kBreakages),
                         BreakageName);
INSTANTIATE_TEST_SUITE_P(E2e, CollectionFactoryBrokenTest, ::testing::ValuesIn(kBreakages),
                         BreakageName);

}  // namespace
}  // namespace kel::testing
