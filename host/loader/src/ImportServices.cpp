#include "kel/host/ImportServices.h"

#include <array>

#include "kel/host/HostExportProxy.h"
#include "kel/host/HostFactories.h"
#include "kel/host/HostLogger.h"

namespace kel::host {
namespace {

template <class Service>
ObjectPtr<IObjectBase> CreateService() {
  const ObjectPtr<Service> service = Service::Create();
  return ObjectPtr<IObjectBase>(service->Identity());
}

constexpr std::array<ImportService, 3> kServices = {{
    {"com.velkora.general.kel.singletonlogger/1.0", "HostLogger", &CreateService<HostLogger>},
    {"com.velkora.general.kel.StringContract/1.0", "HostStringFactory",
     &CreateService<HostStringFactory>},
    {"com.velkora.general.kel.CollectionContract/1.1", "HostCollectionFactory",
     &CreateService<HostCollectionFactory>},
}};

}  // namespace

std::span<const ImportService> ImportServices() noexcept {
  return kServices;
}

const ImportService* FindImportService(std::string_view contract) noexcept {
  for (const ImportService& service : kServices) {
    if (service.contract == contract) return &service;
  }
  return nullptr;
}

ObjectPtr<IObjectBase> CreateImportProxy(const ImportService& service) {
  const ObjectPtr<HostExportProxy> proxy = HostExportProxy::Create(service.create());
  return ObjectPtr<IObjectBase>(proxy->Identity());
}

}  // namespace kel::host
