// The module file as a host finds it: the plug-in manifest, the one export, and what the file
// carries and needs besides; each line it prints flushed at once. The lines it prints as it
// is loaded and unloaded are the load and unload soak's to check, at every cycle.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "ModuleHost.h"
#include "Subprocess.h"
#include "kel/host/ModuleFile.h"

namespace kel::testing {
namespace {

using ::testing::HasSubstr;

// The plug-in manifest byte for byte (where it lies, its size and that GetExport is the one
// export, kelhost inspect shows); on Windows GetExport at ordinal 1, the export directory's
// name and the application manifest (type 24, identifier 2, English in code page 1252) byte
// for byte. Needed: only what every installation has (Windows: the system DLLs, the C++
// runtime, libgcc and winpthread being linked in; Linux: the system's C and C++ runtime and a
// sanitizer's), nothing a host would have to ship.
TEST(ModuleFile, CarriesItsManifestsAndNeedsTheSystemRuntimeOnly) {
  const host::Outcome<host::ModuleFileContents> contents = host::ReadModuleFile(kModulePath);
  ASSERT_TRUE(contents) << contents.Error();
  const host::Outcome<std::string> reference = host::ReadFileBytes(KEL_PLUGCFG_REFERENCE_PATH);
  ASSERT_TRUE(contents.Value().manifest.bytes && reference);
  EXPECT_EQ(*contents.Value().manifest.bytes, reference.Value());
#if defined(_WIN32)
  ASSERT_EQ(contents.Value().exports.size(), 1u);
  EXPECT_EQ(contents.Value().exports[0].ordinal, 1u);
  EXPECT_EQ(contents.Value().exportDirectoryName, "CommandLineParametersParser.kellib");
  const host::EmbeddedManifest& manifest = contents.Value().applicationManifest;
  EXPECT_THAT(manifest.location, HasSubstr("language 1033, code page 1252"));
  const host::Outcome<std::string> application =
      host::ReadFileBytes(KEL_APPLICATION_MANIFEST_REFERENCE_PATH);
  ASSERT_TRUE(manifest.bytes && application);
  EXPECT_EQ(*manifest.bytes, application.Value());
  EXPECT_THAT(
      contents.Value().neededLibraries, ::testing::Each(::testing::Truly([](std::string name) {
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        return name == "kernel32.dll" || name == "msvcrt.dll" || name.starts_with("api-ms-win-");
      })));
#else
  EXPECT_THAT(contents.Value().neededLibraries,
              ::testing::Each(
                  ::testing::ContainsRegex("^(libc|libm|libstdc\\+\\+|libgcc_s|libpthread|libdl|"
                                           "ld-linux-x86-64|libasan|libubsan|libtsan)\\.so\\.")));
#endif
}

// A host whose standard output is a pipe (so the C runtime buffers it) and which ends at
// once after loading the module, without flushing, still leaves the module's line there.
TEST(ModuleFile, FlushesEachLineItPrints) {
  ProcessOutput run = RunProcessWithOutputPipe(KEL_LOAD_AND_EXIT_PATH, {kModulePath});
  std::erase(run.output, '\r');
  EXPECT_EQ(run.exit, 0);
  EXPECT_EQ(run.output, "PlugDLL created\n");
}

}  // namespace
}  // namespace kel::testing
