// The module's only exported function.
#include <type_traits>

#include "ExportRegistry.h"
#include "kel/ModuleEntry.h"

// Answers as kel::GetExportFunction documents.
extern "C" KEL_MODULE_EXPORT kel::ResultCode GetExport(kel::ContractId id, kel::IObjectBase** out) {
  if (const kel::ExportRegistry* registry = kel::ExportRegistry::Instance()) {
    return registry->Lookup(id, out);
  }
  if (out != nullptr) *out = nullptr;
  return kel::result::kNotFound;
}

static_assert(std::is_same_v<decltype(&GetExport), kel::GetExportFunction>,
              "the export has the signature hosts call it by");
