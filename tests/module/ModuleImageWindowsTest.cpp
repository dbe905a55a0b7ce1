// What a Windows host's loader and resource functions see of the loaded module image: the
// export directory, the two manifest resources with their language and code page, and the
// DLLs the module pulls in.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ModuleUnderTest.h"

namespace kel::testing {
namespace {

using platform::ModuleLibrary;
using ::testing::Contains;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;

constexpr std::uint32_t kEnglishUnitedStates = 1033;
constexpr std::uint32_t kWesternCodePage = 1252;

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// DLLs every Windows installation carries; the C++ runtime, libgcc and winpthread are not
// among them and must be linked into the module.
bool IsSystemLibrary(const std::string& name) {
  const std::string lower = Lowercase(name);
  for (const char* system : {"kernel32.dll", "msvcrt.dll", "ntdll.dll", "user32.dll",
                             "advapi32.dll", "ucrtbase.dll", "ws2_32.dll", "shell32.dll"}) {
    if (lower == system) return true;
  }
  return lower.rfind("api-ms-win-", 0) == 0;
}

TEST_F(LoadedModuleTest, ExportDirectoryNamesTheModuleAndExportsGetExportAsOrdinalOne) {
  const std::optional<ModuleLibrary::ExportDirectory> exports = module_->ReadExportDirectory();
  ASSERT_TRUE(exports);
  EXPECT_EQ(exports->moduleName, "CommandLineParametersParser.kellib");
  EXPECT_EQ(exports->exportedFunctionCount, 1u) << "no export by ordinal only either";
  ASSERT_EQ(exports->names.size(), 1u);
  EXPECT_EQ(exports->names[0].name, "GetExport");
  EXPECT_EQ(exports->names[0].ordinal, 1u);
}

TEST_F(LoadedModuleTest, PlugcfgIsEnglishUnitedStatesInCodePage1252) {
  const std::optional<ModuleLibrary::EmbeddedResource> plugcfg = module_->ReadPlugcfg();
  ASSERT_TRUE(plugcfg);
  EXPECT_EQ(plugcfg->language, kEnglishUnitedStates);
  EXPECT_EQ(plugcfg->codePage, kWesternCodePage);
}

// Type 24, identifier 2: the manifest the loader reads for a DLL. It asks for no elevation,
// and its line ends are CR LF with none after the last line.
TEST_F(LoadedModuleTest, CarriesTheApplicationManifest) {
  const std::optional<ModuleLibrary::EmbeddedResource> manifest =
      module_->ReadApplicationManifest();
  ASSERT_TRUE(manifest);
  EXPECT_EQ(manifest->language, kEnglishUnitedStates);
  EXPECT_EQ(manifest->codePage, kWesternCodePage);
  EXPECT_EQ(manifest->bytes, ReadFileBytes(KEL_APPLICATION_MANIFEST_REFERENCE_PATH));

  const std::string& text = manifest->bytes;
  EXPECT_THAT(text, HasSubstr("<trustInfo"));
  EXPECT_THAT(text, ContainsRegex("level=.asInvoker."));
  EXPECT_THAT(text, ContainsRegex("uiAccess=.false."));
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n') << "no line end after the last line";
  EXPECT_NE(text.back(), '\r') << "no line end after the last line";
  std::size_t lineEnds = 0;
  for (std::size_t index = 0; index < text.size(); ++index) {
    if (text[index] == '\n') {
      EXPECT_TRUE(index > 0 && text[index - 1] == '\r') << "bare LF at " << index;
      ++lineEnds;
    } else if (text[index] == '\r') {
      EXPECT_TRUE(index + 1 < text.size() && text[index + 1] == '\n') << "bare CR at " << index;
    }
  }
  EXPECT_GT(lineEnds, 0u);
}

TEST_F(LoadedModuleTest, ImportsSystemDllsOnly) {
  const std::vector<std::string> imports = module_->ImportedLibraryNames();
  EXPECT_THAT(imports, Contains(::testing::StrCaseEq("KERNEL32.dll")));
  for (const std::string& name : imports) {
    EXPECT_TRUE(IsSystemLibrary(name)) << name << " is not a system DLL";
  }
}

}  // namespace
}  // namespace kel::testing
