// Reading the built module file, and files that are no module or damaged ones, without
// loading them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "TemporaryDirectory.h"
#include "kel/host/ModuleFile.h"
#include "kel/host/ModuleLibrary.h"

namespace kel::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

std::string Bytes(const char* path) {
  const Outcome<std::string> bytes = ReadFileBytes(path);
  EXPECT_TRUE(bytes) << bytes.Error();
  return bytes ? bytes.Value() : std::string();
}

TEST(ReadModuleFile, FindsTheManifestAndTheOneExportWithoutLoadingTheModule) {
  const Outcome<ModuleFileContents> contents = ReadModuleFile(KEL_MODULE_PATH);
  ASSERT_TRUE(contents) << contents.Error();
  EXPECT_FALSE(ModuleLibrary::IsLoaded(KEL_MODULE_PATH));
  EXPECT_THAT(contents.Value().format, StartsWith(KEL_EXPECTED_MODULE_FORMAT));
  EXPECT_THAT(contents.Value().manifest.location, HasSubstr(KEL_EXPECTED_MANIFEST_LOCATION));
  ASSERT_TRUE(contents.Value().manifest.bytes);
  EXPECT_EQ(*contents.Value().manifest.bytes, Bytes(KEL_PLUGCFG_REFERENCE_PATH)) << "byte for byte";
  EXPECT_THAT(contents.Value().exports,
              ElementsAre(ExportedFunction{"GetExport", KEL_EXPECTED_EXPORT_ORDINAL}))
      << "nothing else is exported, by name or by ordinal";
}

// A file that cannot be opened is named by its path, one that is no module by its file name.
TEST(ReadModuleFile, RefusesWhatIsNoModuleFileAndNamesIt) {
  const testing::TemporaryDirectory directory;
  const std::string missing = std::string(KEL_MODULE_PATH) + ".missing";
  const std::pair<std::string, std::string> cases[] = {
      {missing, missing + ": "},
      {directory.Path(), directory.Path() + ": "},
      {directory.Write("empty.kellib", ""), "empty.kellib: not a"},
      {KEL_PLUGCFG_REFERENCE_PATH, "plugcfg.xml: not a"},
  };
  for (const auto& [path, error] : cases) {
    const Outcome<ModuleFileContents> contents = ReadModuleFile(path);
    ASSERT_FALSE(contents) << path;
    EXPECT_THAT(contents.Error(), StartsWith(error));
  }
}

// Every table is checked against the bytes: a module file cut short in its headers or in
// the middle of its manifest is refused with a reason, never read past its end (the
// sanitizer builds would catch that).
TEST(ReadModuleImage, RefusesTheModuleCutShort) {
  const std::string module = Bytes(KEL_MODULE_PATH);
  const std::size_t manifest = module.find(Bytes(KEL_PLUGCFG_REFERENCE_PATH));
  ASSERT_NE(manifest, std::string::npos);
  for (const std::size_t length :
       {std::size_t{0}, std::size_t{2}, std::size_t{64}, std::size_t{256}, manifest + 100}) {
    const Outcome<ModuleFileContents> contents =
        ReadModuleImage(std::string_view(module).substr(0, length));
    ASSERT_FALSE(contents) << "accepted the first " << length << " bytes";
    EXPECT_THAT(contents.Error(), Not(IsEmpty()));
  }
}

}  // namespace
}  // namespace kel::host
