// What the ELF module file says it needs loaded with it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "ModuleUnderTest.h"
#include "kel/host/ModuleFile.h"

namespace kel::testing {
namespace {

// Libraries of the system's C and C++ runtime, and the sanitizer runtimes an instrumented
// build adds. Anything else would be a library the host has to ship next to the module.
bool IsRuntimeLibrary(const std::string& name) {
  for (const char* runtime :
       {"libc.so.", "libm.so.", "libstdc++.so.", "libgcc_s.so.", "libpthread.so.", "libdl.so.",
        "ld-linux-x86-64.so.", "libasan.so.", "libubsan.so.", "libtsan.so."}) {
    if (name.rfind(runtime, 0) == 0) return true;
  }
  return false;
}

TEST(ModuleFile, NeedsTheSystemRuntimeOnly) {
  const host::Outcome<host::ModuleFileContents> contents = host::ReadModuleFile(kModulePath);
  ASSERT_TRUE(contents) << contents.Error();
  const std::vector<std::string>& needed = contents.Value().neededLibraries;
  EXPECT_THAT(needed, ::testing::Contains(::testing::StartsWith("libc.so.")));
  for (const std::string& name : needed) {
    EXPECT_TRUE(IsRuntimeLibrary(name)) << name << " is not part of the system runtime";
  }
}

}  // namespace
}  // namespace kel::testing
