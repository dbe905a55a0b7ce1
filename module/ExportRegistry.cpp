#include "ExportRegistry.h"

#include "kel/Diagnostics.h"
#include "kel/ManualLifetime.h"
#include "kel/Platform.h"

namespace kel {

namespace {
// Flags without a lock: set up during module load, which the loader serialises, and torn
// down once, at unload.
bool registrySetUp = false;
bool registryTornDown = false;
ManualLifetime<ExportRegistry> registry;
}  // namespace

ExportRegistry* ExportRegistry::Instance() {
  if (registryTornDown) return nullptr;
  if (!registrySetUp) {
    registry.Construct();
    registrySetUp = true;
    WriteDiagnosticLine("PlugDLL created");
    platform::RegisterModuleExit(&ExportRegistry::TearDown);
  }
  return &registry.Get();
}

void ExportRegistry::TearDown() noexcept {
  registryTornDown = true;
  WriteDiagnosticLine("PlugDLL deleted");
  registry.Destroy();
}

void ExportRegistry::Register(std::string_view id, IObjectBase* object) {
  exports_.insert_or_assign(std::string(id), object);
}

ResultCode ExportRegistry::Lookup(ContractId id, IObjectBase** out) const {
  if (out == nullptr) return result::kNotFound;
  const auto found = id == nullptr ? exports_.end() : exports_.find(std::string_view(id));
  if (found == exports_.end()) {
    *out = nullptr;
    return result::kNotFound;
  }
  *out = found->second;
  found->second->AddRef();
  return result::kOk;
}

}  // namespace kel
