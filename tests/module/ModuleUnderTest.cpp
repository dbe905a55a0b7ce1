#include "ModuleUnderTest.h"

#include <fstream>
#include <iterator>

#include "StdoutCapture.h"

namespace kel::testing {

std::string ReadFileBytes(const char* path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    ADD_FAILURE() << "cannot read " << path;
    return {};
  }
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

GetExportFunction FindGetExport(const platform::ModuleLibrary& module) {
  return reinterpret_cast<GetExportFunction>(module.FindSymbol("GetExport"));
}

void LoadedModuleTest::SetUp() {
  ASSERT_FALSE(platform::ModuleLibrary::IsLoaded(kModulePath))
      << "the module is mapped before the test loads it";
  std::string error;
  StdoutCapture loadOutput;
  module_ = platform::ModuleLibrary::Load(kModulePath, error);
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
  EXPECT_FALSE(platform::ModuleLibrary::IsLoaded(kModulePath));
}

}  // namespace kel::testing
