#include "ModuleUnderTest.h"

#include "StdoutCapture.h"

namespace kel::testing {

GetExportFunction FindGetExport(const host::ModuleLibrary& module) {
  return reinterpret_cast<GetExportFunction>(module.FindSymbol("GetExport"));
}

void LoadedModuleTest::SetUp() {
  ASSERT_FALSE(host::ModuleLibrary::IsLoaded(kModulePath))
      << "the module is mapped before the test loads it";
  std::string error;
  StdoutCapture loadOutput;
  module_ = host::ModuleLibrary::Load(kModulePath, error);
  loadOutput.Finish();
  ASSERT_TRUE(module_) << error;
  getExport_ = FindGetExport(*module_);
  ASSERT_NE(getExport_, nullptr);
}

void LoadedModuleTest::TearDown() {
  if (!module_) return;
  StdoutCapture unloadOutput;
  const bool unloaded = module_->Unload();
  unloadOutput.Finish();
  EXPECT_TRUE(unloaded);
  EXPECT_FALSE(host::ModuleLibrary::IsLoaded(kModulePath));
}

}  // namespace kel::testing
