// The built module file, loaded the way a host loads it, for tests that check what a host
// sees of it.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "kel/IObjectBase.h"
#include "kel/Types.h"
#include "kel/host/ModuleLibrary.h"

namespace kel::testing {

// The module file produced by the build (an absolute path; wine maps it through drive Z:).
inline constexpr char kModulePath[] = KEL_MODULE_PATH;

// The identifier under which the module exports its plug-in object.
inline constexpr char kPluginExportId[] = "com.velkora.zq.CCommandLineParametersParserPlugin/1.0";

// The module's one exported function, as a host types it.
using GetExportFunction = ResultCode (*)(ContractId id, IObjectBase** out);

// The module's GetExport, or null.
GetExportFunction FindGetExport(const host::ModuleLibrary& module);

// Each test starts with the module not mapped, loads it, and ends by unloading it and
// checking that it is gone, so tests neither see nor leave another test's load. What the
// module prints while it loads and unloads is swallowed: ModuleLifecycleTest checks it.
class LoadedModuleTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::optional<host::ModuleLibrary> module_;
  GetExportFunction getExport_ = nullptr;
};

}  // namespace kel::testing
