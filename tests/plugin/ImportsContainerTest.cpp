// The plug-in's import table and the resolution of the host's factories, driven in-process
// on the plug-in singleton with counting host services.
#include <gtest/gtest.h>

#include <string>

#include "CCommandLineParametersParserPlugin.h"
#include "StdoutCapture.h"
#include "ImportedServices.h"
#include "kel/host/HostExportProxy.h"
#include "kel/host/HostFactories.h"
#include "kel/host/HostLogger.h"
#include "kel/host/LiveObjects.h"
#include "kel/host/PlainHostObject.h"

namespace kel::testing {
namespace {

using host::HostCollectionFactory;
using host::HostExportProxy;
using host::HostLogger;
using host::HostStringFactory;
using host::LiveObjects;
using host::Operation;
using host::PlainHostObject;

std::string Line(const std::string& text) {
  return text + kStdoutLineEnd;
}

const std::string kNoEntry = "LibManager: NULL object proxy returned for \"StringFactory\".";
const std::string kNoProxy = "LibManager: Proxy interface not supported for \"StringFactory\".";
const std::string kNoObject =
    "LibManager: Library returned NULL object for \"StringFactory\". Probably declared and "
    "exported contracts are different or the library is failed to load.";
const std::string kNoStringFactoryInterface =
    "LibManager: Library object for \"StringFactory\" does not support required interface "
    "com.velkora.general.kel.IStringFactory/1.0. Wrong import declaration or wrong plugin "
    "implementation?";

// Each test starts and ends with an empty import table on the one plug-in instance, and
// ends with every host object it made destroyed.
class ImportsContainerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CCommandLineParametersParserPlugin::GetInstance(plugin_.Put()), result::kOk);
    ASSERT_EQ(QueryInterface(kel::IImportsContainer::kContractId, imports_), result::kOk);
    ASSERT_EQ(imports_->ClearImports(), result::kOk);
  }
  void TearDown() override {
    EXPECT_EQ(imports_->ClearImports(), result::kOk);
    imports_.Reset();
    plugin_.Reset();
    EXPECT_EQ(LiveObjects::Total(), 0u) << LiveObjects::Describe();
  }
  template <class I>
  ResultCode QueryInterface(ContractId id, ObjectPtr<I>& out) {
    return plugin_->QueryInterface(id, out.PutVoid());
  }
  // Resolves the string factory once and returns what the resolution printed.
  std::string ResolveStringFactory(bool expectFactory) {
    StdoutCapture capture;
    const bool resolved = static_cast<bool>(GetStringFactory());
    EXPECT_EQ(resolved, expectFactory);
    return capture.Finish();
  }

  ObjectPtr<IPlugin> plugin_;
  ObjectPtr<kel::IImportsContainer> imports_;
};

ObjectPtr<IObjectBase> ProxyOf(ObjectPtr<IObjectBase> exported) {
  return ObjectPtr<IObjectBase>(HostExportProxy::Create(std::move(exported)).Get());
}

TEST_F(ImportsContainerTest, ResolvesAnInjectedFactoryAfreshAtEveryUse) {
  auto factory = HostStringFactory::Create();
  auto proxy = HostExportProxy::Create(ObjectPtr<IObjectBase>(factory.Get()));
  ASSERT_EQ(imports_->SetImport("StringFactory", proxy.Get()), result::kOk);
  EXPECT_EQ(proxy->GetRefCount(), 2u);

  EXPECT_EQ(ResolveStringFactory(true), "");
  EXPECT_EQ(ResolveStringFactory(true), "");
  EXPECT_EQ(proxy->GetExportedObjectCalls(), 2u) << "nothing is cached";
  EXPECT_EQ(proxy->Calls(Operation::QueryInterface), 2u);
  EXPECT_EQ(factory->Calls(Operation::QueryInterface), 2u);
  EXPECT_EQ(factory->GetRefCount(), 2u) << "the proxy's and ours: the module kept none";
  EXPECT_EQ(proxy->GetRefCount(), 2u);
}

TEST_F(ImportsContainerTest, EachBrokenLinkPrintsItsLineAndYieldsNothing) {
  auto plain = PlainHostObject::Create();
  auto silentProxy = HostExportProxy::Create();
  silentProxy->ReturnCode(0);  // claims success, writes nothing
  auto wrongExport = HostExportProxy::Create(ObjectPtr<IObjectBase>(plain.Get()));

  EXPECT_EQ(ResolveStringFactory(false), Line(kNoEntry));

  imports_->SetImport("stringfactory",
                      ProxyOf(ObjectPtr<IObjectBase>(HostStringFactory::Create().Get())).Get());
  EXPECT_EQ(ResolveStringFactory(false), Line(kNoEntry)) << "names match case-sensitively";

  imports_->SetImport("StringFactory", nullptr);
  EXPECT_EQ(ResolveStringFactory(false), Line(kNoProxy));

  imports_->SetImport("StringFactory", plain.Get());
  EXPECT_EQ(ResolveStringFactory(false), Line(kNoProxy));

  imports_->SetImport("StringFactory", silentProxy.Get());
  EXPECT_EQ(ResolveStringFactory(false), Line(kNoObject));
  silentProxy->ReturnCode(-5);
  EXPECT_EQ(ResolveStringFactory(false), Line(kNoObject));

  imports_->SetImport("StringFactory", wrongExport.Get());
  EXPECT_EQ(ResolveStringFactory(false), Line(kNoStringFactoryInterface));
  EXPECT_EQ(ResolveStringFactory(false), Line(kNoStringFactoryInterface))
      << "a failure is not remembered: it is reported again";

  EXPECT_EQ(plain->GetRefCount(), 2u) << "ours and the proxy's: resolution kept none";
}

TEST_F(ImportsContainerTest, TheCollectionFactoryLineNamesItsPropertyAndContract) {
  imports_->SetImport("CollectionFactory",
                      ProxyOf(ObjectPtr<IObjectBase>(HostStringFactory::Create().Get())).Get());
  StdoutCapture capture;
  EXPECT_FALSE(GetCollectionFactory());
  EXPECT_EQ(capture.Finish(),
            Line("LibManager: Library object for \"CollectionFactory\" does not support "
                 "required interface com.velkora.general.kel.ICollectionFactory/1.0. Wrong "
                 "import declaration or wrong plugin implementation?"));

  auto factory = HostCollectionFactory::Create();
  imports_->SetImport("CollectionFactory", ProxyOf(ObjectPtr<IObjectBase>(factory.Get())).Get());
  EXPECT_TRUE(GetCollectionFactory());
}

TEST_F(ImportsContainerTest, ReplacingAnImportReleasesTheEarlierOneOnce) {
  auto first = HostExportProxy::Create();
  auto second = HostExportProxy::Create();
  imports_->SetImport("StringFactory", first.Get());
  imports_->SetImport("StringFactory", second.Get());
  EXPECT_EQ(first->Calls(Operation::Release), 1u);
  EXPECT_EQ(first->GetRefCount(), 1u);
  EXPECT_EQ(second->GetRefCount(), 2u);
  ResolveStringFactory(false);
  EXPECT_EQ(first->GetExportedObjectCalls(), 0u);
  EXPECT_EQ(second->GetExportedObjectCalls(), 1u) << "resolution uses the later object";
}

TEST_F(ImportsContainerTest, ReinjectingTheStoredObjectTakesTheNewReferenceFirst) {
  HostExportProxy* proxy = HostExportProxy::Create().Detach();  // our only reference
  imports_->SetImport("StringFactory", proxy);
  proxy->Release();  // the table now holds the only reference
  ASSERT_EQ(proxy->GetRefCount(), 1u);
  imports_->SetImport("StringFactory", proxy);
  EXPECT_EQ(LiveObjects::Count(host::ObjectKind::ExportProxy), 1u) << "never destroyed";
  EXPECT_EQ(proxy->GetRefCount(), 1u);
}

TEST_F(ImportsContainerTest, TheLoggerIsHeldAndReleasedButNeverCalled) {
  auto logger = HostLogger::Create();
  imports_->SetImport("Logger", logger.Get());
  imports_->SetImport("AnyOtherName", logger.Get());
  ResolveStringFactory(false);
  EXPECT_EQ(logger->PeekRefCount(), 3u);
  EXPECT_EQ(imports_->ClearImports(), result::kOk);
  EXPECT_EQ(logger->PeekRefCount(), 1u);
  EXPECT_EQ(logger->CallsBesidesCounting(), 0u);
  EXPECT_EQ(ResolveStringFactory(false), Line(kNoEntry)) << "the table is empty after clearing";
}

TEST_F(ImportsContainerTest, ReservedOperationsAndClearingAnEmptyTableChangeNothing) {
  auto proxy = HostExportProxy::Create();
  imports_->SetImport("StringFactory", proxy.Get());
  EXPECT_EQ(imports_->Reserved1(), result::kOk);
  EXPECT_EQ(imports_->Reserved2(), result::kOk);
  EXPECT_EQ(proxy->GetRefCount(), 2u);
  EXPECT_EQ(ResolveStringFactory(false), Line(kNoObject)) << "still stored";
  EXPECT_EQ(imports_->ClearImports(), result::kOk);
  EXPECT_EQ(imports_->ClearImports(), result::kOk);
  EXPECT_EQ(proxy->GetRefCount(), 1u);
}

}  // namespace
}  // namespace kel::testing
