// The services this host can inject, by the contract a manifest's import names.
#pragma once

#include <span>
#include <string_view>

#include "kel/IObjectBase.h"
#include "kel/ObjectPtr.h"

namespace kel::host {

struct ImportService {
  // The contract an import names in the manifest, compared byte for byte.
  std::string_view contract;
  // The host class that serves it, for reports ("HostLogger").
  std::string_view serviceName;
  // Makes a new service object; the caller owns the one reference.
  ObjectPtr<IObjectBase> (*create)();
};

// Every service this host serves, in a fixed order:
//   "com.velkora.general.kel.singletonlogger/1.0"    HostLogger
//   "com.velkora.general.kel.StringContract/1.0"     HostStringFactory
//   "com.velkora.general.kel.CollectionContract/1.1" HostCollectionFactory
std::span<const ImportService> ImportServices() noexcept;

// The service for `contract`, or null when this host does not serve it.
const ImportService* FindImportService(std::string_view contract) noexcept;

// What the host injects for one import: a new HostExportProxy wrapping a new service object,
// as the proxy's identity with the one reference the caller owns.
ObjectPtr<IObjectBase> CreateImportProxy(const ImportService& service);

}  // namespace kel::host
