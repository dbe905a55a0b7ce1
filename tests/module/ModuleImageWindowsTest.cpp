// What the PE module file carries for a Windows host beyond its plug-in manifest: the name
// in its export directory, the application manifest with its language and code page, and the
// DLLs it pulls in.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "ModuleUnderTest.h"
#include "kel/host/ModuleFile.h"

namespace kel::testing {
namespace {

using ::testing::Contains;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;

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

host::ModuleFileContents ReadModule() {
  host::Outcome<host::ModuleFileContents> contents = host::ReadModuleFile(kModulePath);
  EXPECT_TRUE(contents) << contents.Error();
  return contents ? std::move(contents).Value() : host::ModuleFileContents{};
}

TEST(ModuleFile, ExportDirectoryNamesTheModule) {
  EXPECT_EQ(ReadModule().exportDirectoryName, "CommandLineParametersParser.kellib");
}

// Type 24, identifier 2: the manifest the loader reads for a DLL, English (United States) in
// code page 1252. It asks for no elevation, and its line ends are CR LF with none after the
// last line.
TEST(ModuleFile, CarriesTheApplicationManifest) {
  const host::EmbeddedManifest manifest = ReadModule().applicationManifest;
  EXPECT_THAT(manifest.location, HasSubstr("language 1033, code page 1252"));
  ASSERT_TRUE(manifest.bytes);
  const host::Outcome<std::string> reference =
      host::ReadFileBytes(KEL_APPLICATION_MANIFEST_REFERENCE_PATH);
  ASSERT_TRUE(reference) << reference.Error();
  EXPECT_EQ(*manifest.bytes, reference.Value());

  const std::string& text = *manifest.bytes;
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

TEST(ModuleFile, ImportsSystemDllsOnly) {
  const std::vector<std::string> imports = ReadModule().neededLibraries;
  EXPECT_THAT(imports, Contains(::testing::StrCaseEq("KERNEL32.dll")));
  for (const std::string& name : imports) {
    EXPECT_TRUE(IsSystemLibrary(name)) << name << " is not a system DLL";
  }
}

}  // namespace
}  // namespace kel::testing
