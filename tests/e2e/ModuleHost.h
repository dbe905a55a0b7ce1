// A host of the built module file, as the end-to-end tests drive it: the module is loaded
// afresh for each test and reached only through GetExport and its interfaces; the host's
// services are the counting ones of kel::host; everything the module prints is captured.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ICommandLineOptionsIterator.h"
#include "ICommandLineParameters.h"
#include "ICommandLineParametersParser.h"
#include "IPlugin.h"
#include "ModuleUnderTest.h"
#include "StdoutCapture.h"
#include "kel/HostServices.h"
#include "kel/IImportsContainer.h"
#include "kel/IObjectBase.h"
#include "kel/ObjectPtr.h"
#include "kel/host/HostCollection.h"
#include "kel/host/HostExportProxy.h"
#include "kel/host/HostFactories.h"
#include "kel/host/HostLogger.h"
#include "kel/host/HostObserver.h"
#include "kel/host/HostString.h"

namespace kel::testing {

// `text` followed by the end of line that standard output writes.
std::string Line(std::string_view text);

// The lines import resolution prints, without their end of line.
std::string NoEntryLine(std::string_view property);
std::string NoProxyLine(std::string_view property);
std::string NoObjectLine(std::string_view property);
std::string NoInterfaceLine(std::string_view property, std::string_view requiredContract);

// A pointer of type T* that is no object: preset into out-parameters to tell "left as it
// was" from "written". The module must neither call through it nor release it.
template <class T>
T* Sentinel() {
  static unsigned char placeholder;
  return reinterpret_cast<T*>(&placeholder);
}

// A bool out-parameter seen as the one byte it occupies, preset to a value that is neither
// false nor true, so that "untouched" and "stored 0 or 1" can both be told.
class FlagOut {
 public:
  static constexpr unsigned char kUntouched = 0xA5;

  bool* Out() noexcept { return reinterpret_cast<bool*>(&byte_); }
  bool Untouched() const noexcept { return byte_ == kUntouched; }
  // The byte as written: 0 or 1 for a stored bool.
  unsigned Byte() const noexcept { return byte_; }
  void Reset() noexcept { byte_ = kUntouched; }

 private:
  unsigned char byte_ = kUntouched;
};

// The pointer that identifies an interface pointer's IObjectBase, for comparisons.
inline const void* Address(IObjectBase* object) {
  return object;
}

// QueryInterface or GetInterface, called by position like any other operation.
using QueryOperation = ResultCode (IObjectBase::*)(ContractId, void**);

struct QueryRoute {
  const char* name;
  QueryOperation operation;
};

// Both ways of asking for a contract; GetInterface must answer exactly as QueryInterface.
inline constexpr QueryRoute kQueryRoutes[] = {
    {"QueryInterface", &IObjectBase::QueryInterface},
    {"GetInterface", &IObjectBase::GetInterface},
};

// Expects `object` to refuse `contract` through `query` with -3, leaving the out-parameter
// as it was, with a null out-parameter too. A reference handed out all the same is given
// back, so that one wrong answer does not spill into later checks.
void ExpectRefused(IObjectBase* object, QueryOperation query, ContractId contract);

// The host's own object behind an interface pointer that one of its factories handed out.
inline host::HostString& AsHost(IString* string) {
  return *static_cast<host::HostString*>(string);
}
inline host::HostCollection& AsHost(ICollection* collection) {
  return *static_cast<host::HostCollection*>(collection);
}

// The text of a host string, read through its interface.
std::string TextOf(IString* string);

// The texts of a collection's items, read through its interface; a null item reads
// "(null item)".
std::vector<std::string> TextsOf(ICollection* collection);

// Each test starts with nothing of the host alive and the module not mapped, loads it and
// captures standard output from then on; it ends by unloading the module, checking that it
// is gone, that the unload printed "PlugDLL deleted" alone, that nothing else was printed
// that the test did not take, and that no host object is alive any more.
class ModuleHostTest : public LoadedModuleTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Everything printed since the load or the previous call; the capture goes on.
  std::string TakeStdout();
  // Unloads the module now and returns what the unload printed. What was printed before
  // and not taken fails the test.
  std::string Unload();
  bool ModuleLoaded() const { return module_ && module_->IsOpen(); }

 private:
  // Ends the capture; fails the test when anything was printed that the test did not take
  // (a failure message printed meanwhile shows up there, unescaped).
  void ExpectNothingMorePrinted();

  std::optional<StdoutCapture> capture_;
};

// The module loaded, its plug-in obtained with GetExport and held through its three
// interfaces, and the three imports of its manifest injected as export proxies of counting
// host services. At TearDown the fixture also checks that the module kept exactly one
// reference of the plug-in, that the current result goes with the plug-in, and that the
// injected logger was never used.
class PluginHostTest : public ModuleHostTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Parse with argv[0] "prog" followed by `arguments`. The argument bytes are overwritten
  // as soon as Parse returns: a result must own copies.
  ResultCode Parse(const std::vector<std::string>& arguments);
  // Parse, then GetParameters; fails the test unless both succeed.
  ObjectPtr<ICommandLineParameters> ParseAndGet(const std::vector<std::string>& arguments);
  // The current result, or an empty handle when GetParameters fails.
  ObjectPtr<ICommandLineParameters> Current();

  // Injects the standard proxies under their three names again.
  void InjectStandardImports();
  // The plug-in's count, read through its IPlugin interface.
  RefCount PluginCount() { return plugin_->GetRefCount(); }
  // Checks that every service is held by the host and by its holder only: the factories
  // and the logger by their proxy, the proxies by the plug-in's import table.
  void ExpectServicesAtRest();
  // Gives back the fixture's references to the plug-in (checking that the module holds
  // one of its own), unloads, and returns what the unload printed.
  std::string ReleasePluginAndUnload();
  // A new observer that the fixture keeps (its only reference) until after the unload, so
  // that no registration outlives its observer, whatever the module does.
  host::HostObserver* NewObserver(host::HostObserver::Callback onNotify = nullptr);

  ObjectPtr<IPlugin> plugin_;
  ObjectPtr<ICommandLineParametersParser> parser_;
  ObjectPtr<IImportsContainer> imports_;

  ObjectPtr<host::HostLogger> logger_;
  ObjectPtr<host::HostStringFactory> strings_;
  ObjectPtr<host::HostCollectionFactory> collections_;
  ObjectPtr<host::HostExportProxy> loggerProxy_;
  ObjectPtr<host::HostExportProxy> stringsProxy_;
  ObjectPtr<host::HostExportProxy> collectionsProxy_;

 private:
  std::vector<ObjectPtr<host::HostObserver>> observers_;
};

}  // namespace kel::testing
