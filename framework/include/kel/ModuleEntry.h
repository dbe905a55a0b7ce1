// The one function a module file exports, as a host finds it by name once the file is
// loaded (dlsym, GetProcAddress).
#pragma once

#include "kel/IObjectBase.h"

namespace kel {

// The export's plain, undecorated name; on Windows also ordinal 1.
inline constexpr char kGetExportName[] = "GetExport";

// GetExport(id, out) hands out the object exported under `id` with one more reference, which
// the caller gives back with Release before it unloads the module. It returns 0 on success;
// -1 with *out set to null for an identifier that is not exported (a null `id` included), and
// for every identifier once the module is being unloaded, when it prints nothing; -1 without
// a write when `out` is null.
using GetExportFunction = ResultCode (*)(ContractId id, IObjectBase** out);

}  // namespace kel
