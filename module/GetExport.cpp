// The module's only exported function.
#include "ExportRegistry.h"
#include "kel/IObjectBase.h"

// Hands out the object exported under `id` with one more reference, which the caller gives
// back with Release before unloading the module. 0 on success; -1 with *out set to null for
// an identifier that is not exported (a null `id` included), and for every identifier once
// the module is being unloaded; -1 without a write when `out` is null.
extern "C" KEL_MODULE_EXPORT kel::ResultCode GetExport(kel::ContractId id, kel::IObjectBase** out) {
  if (const kel::ExportRegistry* registry = kel::ExportRegistry::Instance()) {
    return registry->Lookup(id, out);
  }
  if (out != nullptr) *out = nullptr;
  return kel::result::kNotFound;
}
