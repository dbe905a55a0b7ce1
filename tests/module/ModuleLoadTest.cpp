// Loads the built module file as a host does and checks what a host sees: its diagnostic
// lines at load and unload, its unload, and GetExport's answer to identifiers it does not
// export.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "ModuleUnderTest.h"
#include "StdoutCapture.h"

namespace kel::testing {
namespace {

using host::ModuleLibrary;
using ::testing::HasSubstr;

std::string Line(const char* text) {
  return std::string(text) + kStdoutLineEnd;
}

// Load runs the module's static set-up, which announces itself once; the unload that drops
// the last load reference runs the module's exit list, which announces the teardown. The
// second round proves the exit list ran at unload and not only at process exit: a module
// still mapped, or one whose set-up already happened, would print nothing.
TEST(ModuleLifecycleTest, AnnouncesEachLoadAndUnloadOnceAndIsGoneAfterUnload) {
  ASSERT_FALSE(ModuleLibrary::IsLoaded(kModulePath));
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(::testing::Message() << "load " << round);
    std::string error;
    StdoutCapture loadCapture;
    std::optional<ModuleLibrary> module = ModuleLibrary::Load(kModulePath, error);
    const std::string loadOutput = loadCapture.Finish();
    ASSERT_TRUE(module) << error;
    EXPECT_EQ(loadOutput, Line("PlugDLL created"));
    EXPECT_TRUE(ModuleLibrary::IsLoaded(kModulePath));

    const GetExportFunction getExport = FindGetExport(*module);
    ASSERT_NE(getExport, nullptr);
    StdoutCapture lookupCapture;
    IObjectBase* out = nullptr;
    getExport("com.velkora.zq.NotExported/1.0", &out);
    EXPECT_EQ(lookupCapture.Finish(), "") << "the registry is set up once per load";

    StdoutCapture unloadCapture;
    const bool unloaded = module->Unload();
    const std::string unloadOutput = unloadCapture.Finish();
    EXPECT_TRUE(unloaded);
    EXPECT_EQ(unloadOutput, Line("PlugDLL deleted"));
    EXPECT_FALSE(ModuleLibrary::IsLoaded(kModulePath));
  }
}

// A host that loads a loaded module again gets the same image: no second set-up, and the
// exit list waits for the last load reference.
TEST(ModuleLifecycleTest, SecondLoadSharesTheImageAndOnlyTheLastUnloadTearsDown) {
  ASSERT_FALSE(ModuleLibrary::IsLoaded(kModulePath));
  std::string error;
  StdoutCapture loadCapture;
  std::optional<ModuleLibrary> first = ModuleLibrary::Load(kModulePath, error);
  std::optional<ModuleLibrary> second = ModuleLibrary::Load(kModulePath, error);
  EXPECT_EQ(loadCapture.Finish(), Line("PlugDLL created"));
  ASSERT_TRUE(first) << error;
  ASSERT_TRUE(second) << error;
  EXPECT_EQ(first->FindSymbol("GetExport"), second->FindSymbol("GetExport"));

  StdoutCapture firstUnloadCapture;
  EXPECT_TRUE(first->Unload());
  EXPECT_EQ(firstUnloadCapture.Finish(), "");
  EXPECT_TRUE(ModuleLibrary::IsLoaded(kModulePath));

  StdoutCapture lastUnloadCapture;
  EXPECT_TRUE(second->Unload());
  EXPECT_EQ(lastUnloadCapture.Finish(), Line("PlugDLL deleted"));
  EXPECT_FALSE(ModuleLibrary::IsLoaded(kModulePath));
}

// The load reference travels with a move and is given back by the destructor.
TEST(ModuleLifecycleTest, DestructorOfTheLastOwnerUnloads) {
  ASSERT_FALSE(ModuleLibrary::IsLoaded(kModulePath));
  std::string error;
  StdoutCapture loadCapture;
  std::optional<ModuleLibrary> loaded = ModuleLibrary::Load(kModulePath, error);
  loadCapture.Finish();
  ASSERT_TRUE(loaded) << error;
  StdoutCapture unloadCapture;
  {
    ModuleLibrary owner = std::move(*loaded);
    EXPECT_FALSE(loaded->IsOpen());
    EXPECT_TRUE(owner.IsOpen());
    EXPECT_FALSE(loaded->Unload()) << "a moved-from library holds nothing to unload";
    EXPECT_TRUE(ModuleLibrary::IsLoaded(kModulePath));
  }
  EXPECT_EQ(unloadCapture.Finish(), Line("PlugDLL deleted"));
  EXPECT_FALSE(ModuleLibrary::IsLoaded(kModulePath));
}

TEST(ModuleLibraryTest, LoadFailureNamesThePathAndAReason) {
  const std::string missing = std::string(kModulePath) + ".missing";
  std::string error;
  const std::optional<ModuleLibrary> module = ModuleLibrary::Load(missing, error);
  EXPECT_FALSE(module);
  EXPECT_THAT(error, HasSubstr("'" + missing + "': "));
  EXPECT_GT(error.size(), error.find("': ") + 3) << "a reason follows the path: " << error;
  EXPECT_FALSE(ModuleLibrary::IsLoaded(missing));
}

// Identifiers are compared whole, byte for byte: near misses of the export identifier are
// not exported, a miss clears the out-parameter, and no lookup that fails takes a reference
// of the plug-in.
TEST_F(LoadedModuleTest, GetExportRefusesIdentifiersItDoesNotExport) {
  IObjectBase* plugin = nullptr;
  ASSERT_EQ(getExport_(kPluginExportId, &plugin), result::kOk);
  ASSERT_NE(plugin, nullptr);
  const char* const unknownIds[] = {
      "com.velkora.zq.CCommandLineParametersParserPlugin",
      "com.velkora.zq.CCommandLineParametersParserPlugin/",
      "com.velkora.zq.CCommandLineParametersParserPlugin/1.1",
      "com.velkora.zq.ccommandlineparametersparserplugin/1.0",
      "COM.VELKORA.ZQ.CCOMMANDLINEPARAMETERSPARSERPLUGIN/1.0",
      "com.velkora.zq.CCommandLineParametersParserPlugin/1.0 ",
      " com.velkora.zq.CCommandLineParametersParserPlugin/1.0",
      "",
      nullptr,
  };
  for (const char* id : unknownIds) {
    SCOPED_TRACE(id == nullptr ? std::string("(null id)") : "'" + std::string(id) + "'");
    IObjectBase* out = plugin;
    EXPECT_EQ(getExport_(id, &out), result::kNotFound);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(getExport_(id, nullptr), result::kNotFound);
  }
  EXPECT_EQ(plugin->GetRefCount(), 2u) << "the module's reference and the test's";
  EXPECT_EQ(plugin->Release(), 1u);
}

}  // namespace
}  // namespace kel::testing
