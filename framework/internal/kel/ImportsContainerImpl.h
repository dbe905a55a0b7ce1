// kel::ImportsContainerImpl: the import table of a plug-in and the resolution of the
// services injected into it.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "kel/HostServices.h"
#include "kel/IObjectBase.h"
#include "kel/ImportDiagnostics.h"
#include "kel/ObjectPtr.h"
#include "kel/OperationBoundary.h"

namespace kel {

// Holds one reference to each object the host injected, keyed by property name (exact,
// case-sensitive bytes). Any name is accepted; an entry may hold an empty reference.
//
// Not locked: the host injects its imports before it starts using the plug-in, and no
// injection runs at the same time as a resolution.
template <class Plugin>
class ImportsContainerImpl {
 public:
  // Stores `object` under `property`, taking its reference before giving back the one it
  // replaces (so re-injecting the stored object never destroys it). Returns 0; -7 and no
  // change when `property` is null.
  virtual ResultCode SetImport(const char* property, IObjectBase* object) {
    if (property == nullptr) return result::kNothingToActOn;
    return RunOperation([&] {
      ObjectPtr<IObjectBase> incoming(object);
      ObjectPtr<IObjectBase>& slot = imports_[std::string(property)];
      std::swap(slot, incoming);
      return result::kOk;  // `incoming` now holds the earlier reference and gives it back
    });
  }
  virtual ResultCode Reserved1() { return result::kOk; }
  virtual ResultCode Reserved2() { return result::kOk; }
  // Releases every stored object and empties the table. Returns 0.
  virtual ResultCode ClearImports() {
    imports_.clear();
    return result::kOk;
  }

  // Resolves the import `property` afresh: the plug-in singleton's table, the export proxy
  // stored there, the proxy's exported object, and that object's interface Required. Each
  // failure prints its "LibManager: " line and yields an empty handle; nothing is cached
  // and the table is never changed. What was obtained on the way is released in the order
  // exported object, proxy, plug-in.
  template <class Required>
  static ObjectPtr<Required> ResolveImport(std::string_view property) {
    ObjectPtr<typename Plugin::SingletonInterface> plugin;
    if (Plugin::GetInstance(plugin.Put()) < 0) return {};  // the module is being unloaded
    const ImportsContainerImpl& table = static_cast<Plugin&>(*plugin);

    const auto entry = table.imports_.find(property);
    if (entry == table.imports_.end()) {
      ReportImportFailure(ImportFailure::kNoEntry, property, Required::kContractId);
      return {};
    }
    ObjectPtr<IExportProxy> proxy;
    if (!entry->second ||
        entry->second->QueryInterface(IExportProxy::kContractId, proxy.PutVoid()) < 0 || !proxy) {
      ReportImportFailure(ImportFailure::kNoProxy, property, Required::kContractId);
      return {};
    }
    ObjectPtr<IObjectBase> exported;
    proxy->GetExportedObject(exported.Put());
    if (!exported) {
      ReportImportFailure(ImportFailure::kNoObject, property, Required::kContractId);
      return {};
    }
    ObjectPtr<Required> service;
    if (exported->QueryInterface(Required::kContractId, service.PutVoid()) < 0 || !service) {
      ReportImportFailure(ImportFailure::kNoInterface, property, Required::kContractId);
      return {};
    }
    return service;
  }

 protected:
  ImportsContainerImpl() = default;
  ~ImportsContainerImpl() = default;
  ImportsContainerImpl(const ImportsContainerImpl&) = delete;
  ImportsContainerImpl& operator=(const ImportsContainerImpl&) = delete;

 private:
  std::map<std::string, ObjectPtr<IObjectBase>, std::less<>> imports_;
};

}  // namespace kel
