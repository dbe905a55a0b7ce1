#include "ModuleHost.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "kel/host/HostObserver.h"
#include "kel/host/LiveObjects.h"

namespace kel::testing {

using host::HostCollectionFactory;
using host::HostExportProxy;
using host::HostLogger;
using host::HostObserver;
using host::HostStringFactory;
using host::LiveObjects;

std::string Line(std::string_view text) {
  return std::string(text) + kStdoutLineEnd;
}

std::string NoEntryLine(std::string_view property) {
  return "LibManager: NULL object proxy returned for \"" + std::string(property) + "\".";
}

std::string NoProxyLine(std::string_view property) {
  return "LibManager: Proxy interface not supported for \"" + std::string(property) + "\".";
}

std::string NoObjectLine(std::string_view property) {
  return "LibManager: Library returned NULL object for \"" + std::string(property) +
         "\". Probably declared and exported contracts are different or the library is failed "
         "to load.";
}

std::string NoInterfaceLine(std::string_view property, std::string_view requiredContract) {
  return "LibManager: Library object for \"" + std::string(property) +
         "\" does not support required interface " + std::string(requiredContract) +
         ". Wrong import declaration or wrong plugin implementation?";
}

void ExpectRefused(IObjectBase* object, QueryOperation query, ContractId contract) {
  void* out = Sentinel<void>();
  EXPECT_EQ((object->*query)(contract, &out), result::kNoInterface);
  EXPECT_EQ(out, Sentinel<void>());
  if (out != Sentinel<void>() && out != nullptr) static_cast<IObjectBase*>(out)->Release();
  EXPECT_EQ((object->*query)(contract, nullptr), result::kNoInterface);
}

std::string TextOf(IString* string) {
  return std::string(string->GetText(), string->GetLength());
}

std::vector<std::string> TextsOf(ICollection* collection) {
  std::vector<std::string> texts;
  const std::uint32_t count = collection->GetCount();
  for (std::uint32_t index = 0; index < count; ++index) {
    ObjectPtr<IString> item;
    EXPECT_EQ(collection->GetItem(index, item.Put()), result::kOk) << "item " << index;
    texts.push_back(item ? TextOf(item.Get()) : "(null item)");
  }
  return texts;
}

void ModuleHostTest::SetUp() {
  ASSERT_EQ(LiveObjects::Total(), 0u) << "alive before the test: " << LiveObjects::Describe();
  LoadedModuleTest::SetUp();
  if (HasFatalFailure()) return;
  capture_.emplace();
}

void ModuleHostTest::TearDown() {
  if (ModuleLoaded()) {
    EXPECT_EQ(Unload(), Line("PlugDLL deleted"));
  }
  capture_.reset();
  module_.reset();  // already unloaded: the base has nothing left to do
  LoadedModuleTest::TearDown();
  EXPECT_FALSE(host::ModuleLibrary::IsLoaded(kModulePath));
  EXPECT_EQ(LiveObjects::Total(), 0u) << "still alive: " << LiveObjects::Describe();
}

std::string ModuleHostTest::TakeStdout() {
  if (!capture_) return {};
  std::string printed = capture_->Finish();
  capture_.reset();
  capture_.emplace();
  return printed;
}

void ModuleHostTest::ExpectNothingMorePrinted() {
  if (!capture_) return;
  const std::string printed = capture_->Finish();
  capture_.reset();
  if (!printed.empty()) ADD_FAILURE() << "printed and not checked by the test:\n" << printed;
}

std::string ModuleHostTest::Unload() {
  ExpectNothingMorePrinted();
  if (!ModuleLoaded()) {
    ADD_FAILURE() << "the module is not loaded";
    return {};
  }
  StdoutCapture capture;
  const bool unloaded = module_->Unload();
  std::string printed = capture.Finish();
  EXPECT_TRUE(unloaded);
  EXPECT_FALSE(host::ModuleLibrary::IsLoaded(kModulePath)) << "still mapped after unload";
  return printed;
}

void PluginHostTest::SetUp() {
  ModuleHostTest::SetUp();
  if (HasFatalFailure()) return;

  IObjectBase* exported = nullptr;
  ASSERT_EQ(getExport_(kPluginExportId, &exported), result::kOk);
  ASSERT_NE(exported, nullptr);
  ObjectPtr<IObjectBase> exportedRef(AdoptRef(exported));
  ASSERT_EQ(exported->QueryInterface(IPlugin::kContractId, plugin_.PutVoid()), result::kOk);
  ASSERT_EQ(Address(plugin_.Get()), Address(exported)) << "GetExport hands out IPlugin";
  ASSERT_EQ(exported->QueryInterface(ICommandLineParametersParser::kContractId, parser_.PutVoid()),
            result::kOk);
  ASSERT_EQ(exported->QueryInterface(IImportsContainer::kContractId, imports_.PutVoid()),
            result::kOk);
  // Three interfaces of one object sit at three addresses; calling by position through a
  // pointer to the wrong one would reach another interface's operations.
  ASSERT_NE(Address(parser_.Get()), Address(plugin_.Get()));
  ASSERT_NE(Address(imports_.Get()), Address(plugin_.Get()));
  ASSERT_NE(Address(imports_.Get()), Address(parser_.Get()));
  exportedRef.Reset();

  // Each pointer answers by position as its interface does: before any Parse, the parser's
  // GetParameters finds nothing, and the container's Reserved1 (the same position) succeeds.
  ICommandLineParameters* none = Sentinel<ICommandLineParameters>();
  ASSERT_EQ(parser_->GetParameters(&none), result::kNothingToActOn);
  ASSERT_EQ(none, Sentinel<ICommandLineParameters>());
  ASSERT_EQ(imports_->Reserved1(), result::kOk);

  logger_ = HostLogger::Create();
  strings_ = HostStringFactory::Create();
  collections_ = HostCollectionFactory::Create();
  loggerProxy_ = HostExportProxy::Create(ObjectPtr<IObjectBase>(logger_.Get()));
  stringsProxy_ = HostExportProxy::Create(ObjectPtr<IObjectBase>(strings_.Get()));
  collectionsProxy_ = HostExportProxy::Create(ObjectPtr<IObjectBase>(collections_.Get()));
  InjectStandardImports();
  if (HasFatalFailure()) return;
  ExpectServicesAtRest();
}

void PluginHostTest::TearDown() {
  if (ModuleLoaded() && plugin_) {
    // Nothing but the plug-in may hold the current result now, so it must go with the
    // plug-in: an observer of it hears the notice during the unload.
    HostObserver* resultObserver = nullptr;
    if (ObjectPtr<ICommandLineParameters> current = Current()) {
      resultObserver = NewObserver();
      current->AddObserver(resultObserver, nullptr);
    }
    EXPECT_EQ(ReleasePluginAndUnload(), Line("PlugDLL deleted"));
    if (resultObserver) {
      EXPECT_EQ(resultObserver->NotifyCalls(), 1u) << "the current result outlived the plug-in";
    }
  }
  if (logger_) {
    EXPECT_EQ(logger_->CallsBesidesCounting(), 0u) << "the logger is only held, never used";
    EXPECT_EQ(loggerProxy_->CallsBesidesCounting(), 0u) << "the Logger import is never resolved";
  }
  parser_.Reset();
  imports_.Reset();
  plugin_.Reset();
  observers_.clear();
  loggerProxy_.Reset();
  stringsProxy_.Reset();
  collectionsProxy_.Reset();
  logger_.Reset();
  strings_.Reset();
  collections_.Reset();
  ModuleHostTest::TearDown();
}

ResultCode PluginHostTest::Parse(const std::vector<std::string>& arguments) {
  std::vector<std::string> copies;
  copies.reserve(arguments.size() + 1);
  copies.emplace_back("prog");
  copies.insert(copies.end(), arguments.begin(), arguments.end());
  std::vector<const char*> argv;
  for (const std::string& argument : copies) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const ResultCode parsed = parser_->Parse(static_cast<std::int32_t>(copies.size()), argv.data());
  for (std::string& argument : copies) std::fill(argument.begin(), argument.end(), '#');
  return parsed;
}

ObjectPtr<ICommandLineParameters> PluginHostTest::ParseAndGet(
    const std::vector<std::string>& arguments) {
  EXPECT_EQ(Parse(arguments), result::kOk);
  ObjectPtr<ICommandLineParameters> parameters;
  EXPECT_EQ(parser_->GetParameters(parameters.Put()), result::kOk);
  EXPECT_TRUE(parameters);
  return parameters;
}

ObjectPtr<ICommandLineParameters> PluginHostTest::Current() {
  ObjectPtr<ICommandLineParameters> parameters;
  if (parser_->GetParameters(parameters.Put()) != result::kOk) return {};
  return parameters;
}

void PluginHostTest::InjectStandardImports() {
  ASSERT_EQ(imports_->SetImport("Logger", loggerProxy_.Get()), result::kOk);
  ASSERT_EQ(imports_->SetImport("StringFactory", stringsProxy_.Get()), result::kOk);
  ASSERT_EQ(imports_->SetImport("CollectionFactory", collectionsProxy_.Get()), result::kOk);
}

void PluginHostTest::ExpectServicesAtRest() {
  EXPECT_EQ(logger_->PeekRefCount(), 2u) << "logger: the host's and its proxy's";
  EXPECT_EQ(strings_->PeekRefCount(), 2u) << "string factory: the host's and its proxy's";
  EXPECT_EQ(collections_->PeekRefCount(), 2u) << "collection factory: the host's and its proxy's";
  EXPECT_EQ(loggerProxy_->PeekRefCount(), 2u) << "Logger proxy: the host's and the plug-in's";
  EXPECT_EQ(stringsProxy_->PeekRefCount(), 2u)
      << "StringFactory proxy: the host's and the plug-in's";
  EXPECT_EQ(collectionsProxy_->PeekRefCount(), 2u)
      << "CollectionFactory proxy: the host's and the plug-in's";
}

HostObserver* PluginHostTest::NewObserver(HostObserver::Callback onNotify) {
  observers_.push_back(HostObserver::Create(std::move(onNotify)));
  return observers_.back().Get();
}

std::string PluginHostTest::ReleasePluginAndUnload() {
  parser_.Reset();
  imports_.Reset();
  if (IPlugin* last = plugin_.Detach()) {
    EXPECT_EQ(last->Release(), 1u) << "the module keeps exactly one reference of the plug-in";
  }
  return Unload();
}

}  // namespace kel::testing
