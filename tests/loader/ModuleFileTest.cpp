// Reading the built module file, and damaged files, without loading them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "kel/ModuleLibrary.h"
#include "kel/host/ModuleFile.h"

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
  EXPECT_FALSE(platform::ModuleLibrary::IsLoaded(KEL_MODULE_PATH));
  EXPECT_THAT(contents.Value().format, StartsWith(KEL_EXPECTED_MODULE_FORMAT));
  EXPECT_THAT(contents.Value().manifestLocation, HasSubstr(KEL_EXPECTED_MANIFEST_LOCATION));
  ASSERT_TRUE(contents.Value().manifest);
  EXPECT_EQ(*contents.Value().manifest, Bytes(KEL_PLUGCFG_REFERENCE_PATH)) << "byte for byte";
  EXPECT_THAT(contents.Value().exportedNames, ElementsAre("GetExport"));
}

TEST(ReadModuleFile, NamesTheFileItCannotRead) {
  const std::string missing = std::string(KEL_MODULE_PATH) + ".missing";
  const Outcome<ModuleFileContents> contents = ReadModuleFile(missing);
  ASSERT_FALSE(contents);
  EXPECT_THAT(contents.Error(), StartsWith(missing + ": "));
}

TEST(ReadModuleFile, RefusesAFileOfAnotherKindAndNamesIt) {
  const Outcome<ModuleFileContents> contents = ReadModuleFile(KEL_PLUGCFG_REFERENCE_PATH);
  ASSERT_FALSE(contents);
  EXPECT_THAT(contents.Error(), StartsWith("plugcfg.xml: not a"));
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
