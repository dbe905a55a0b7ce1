// Loading the built module through LoadedPlugin, and copies of it whose manifest is broken or
// asks for other imports. Every test ends with no host object alive and the module unloaded.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "ManifestPatch.h"
#include "StdoutCapture.h"
#include "TemporaryDirectory.h"
#include "kel/host/LiveObjects.h"
#include "kel/host/LoadedPlugin.h"
#include "kel/host/ModuleFile.h"
#include "kel/host/ModuleLibrary.h"

namespace kel::host {
namespace {

using ::kel::testing::kStdoutLineEnd;
using ::kel::testing::StdoutCapture;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr char kModuleFileName[] = "CommandLineParametersParser.kellib";

std::string Line(const std::string& text) {
  return text + kStdoutLineEnd;
}

std::string Bytes(const char* path) {
  const Outcome<std::string> bytes = ReadFileBytes(path);
  EXPECT_TRUE(bytes) << bytes.Error();
  return bytes ? bytes.Value() : std::string();
}

// `text` with the one occurrence of `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

std::string TextOf(IString* string) {
  return string == nullptr ? "(null)" : std::string(string->GetText(), string->GetLength());
}

class LoadedPluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LiveObjects::Total(), 0u) << LiveObjects::Describe();
    ASSERT_FALSE(ModuleLibrary::IsLoaded(KEL_MODULE_PATH));
  }
  void TearDown() override {
    EXPECT_EQ(LiveObjects::Total(), 0u) << "still alive: " << LiveObjects::Describe();
    EXPECT_FALSE(ModuleLibrary::IsLoaded(KEL_MODULE_PATH));
  }

  // A copy of the module, named as the original, whose manifest is `manifest`.
  std::string ModuleWithManifest(const std::string& manifest) {
    return directory_.Write(kModuleFileName,
                            testing::WithManifest(Bytes(KEL_MODULE_PATH), reference_, manifest));
  }

  const std::string reference_ = Bytes(KEL_PLUGCFG_REFERENCE_PATH);
  testing::TemporaryDirectory directory_;
};

TEST_F(LoadedPluginTest, InjectsOneServicePerImportAndUnloadsCleanly) {
  StdoutCapture loading;
  Outcome<LoadedPlugin> plugin = LoadedPlugin::Load(KEL_MODULE_PATH);
  EXPECT_EQ(loading.Finish(), Line("PlugDLL created"));
  ASSERT_TRUE(plugin) << plugin.Error();
  ASSERT_TRUE(plugin.Value().IsLoaded());
  EXPECT_EQ(plugin.Value().Manifest().exportId,
            "com.velkora.zq.CCommandLineParametersParserPlugin/1.0");
  EXPECT_EQ(LiveObjects::Count(ObjectKind::ExportProxy), 3u);
  EXPECT_EQ(LiveObjects::Count(ObjectKind::Logger), 1u);
  EXPECT_EQ(LiveObjects::Count(ObjectKind::StringFactory), 1u);
  EXPECT_EQ(LiveObjects::Count(ObjectKind::CollectionFactory), 1u);
  EXPECT_EQ(LiveObjects::Total(), 6u) << LiveObjects::Describe();

  // The injected factories are the ones the module's results are made with.
  ICommandLineParametersParser* parser = plugin.Value().Parser();
  ASSERT_NE(parser, nullptr);
  const char* const argv[] = {"prog", "--a=1", "b", nullptr};
  ASSERT_EQ(parser->Parse(3, argv), 0);
  {
    ObjectPtr<ICommandLineParameters> parameters;
    ASSERT_EQ(parser->GetParameters(parameters.Put()), 0);
    ObjectPtr<IString> value;
    ASSERT_EQ(parameters->GetOptionValue("a", value.Put()), 0);
    EXPECT_EQ(TextOf(value.Get()), "1");
    ObjectPtr<ICollection> freeArguments;
    ASSERT_EQ(parameters->GetFreeArguments(freeArguments.Put()), 0);
    ASSERT_EQ(freeArguments->GetCount(), 1u);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 2u);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::Collection), 1u);
  }

  StdoutCapture unloading;
  EXPECT_TRUE(plugin.Value().Unload());
  EXPECT_EQ(unloading.Finish(), Line("PlugDLL deleted"));
  EXPECT_FALSE(plugin.Value().IsLoaded());
  EXPECT_EQ(plugin.Value().Parser(), nullptr);
  EXPECT_FALSE(plugin.Value().Unload()) << "nothing left to unload";
}

TEST_F(LoadedPluginTest, OwnershipMovesAndTheLastOwnerUnloads) {
  StdoutCapture output;
  {
    Outcome<LoadedPlugin> loaded = LoadedPlugin::Load(KEL_MODULE_PATH);
    ASSERT_TRUE(loaded) << loaded.Error();
    LoadedPlugin owner = std::move(loaded).Value();
    EXPECT_TRUE(owner.IsLoaded());
    EXPECT_NE(owner.Parser(), nullptr);

    LoadedPlugin moved(std::move(owner));
    EXPECT_FALSE(owner.IsLoaded());  // NOLINT(bugprone-use-after-move): moved-from is empty
    EXPECT_EQ(owner.Parser(), nullptr);
    EXPECT_TRUE(moved.IsLoaded());
    EXPECT_TRUE(ModuleLibrary::IsLoaded(KEL_MODULE_PATH));

    // Assigning an empty object over a loaded one unloads what it held.
    moved = std::move(owner);
    EXPECT_FALSE(moved.IsLoaded());
    EXPECT_FALSE(ModuleLibrary::IsLoaded(KEL_MODULE_PATH));
    EXPECT_EQ(LiveObjects::Total(), 0u) << LiveObjects::Describe();
  }
  EXPECT_EQ(output.Finish(), Line("PlugDLL created") + Line("PlugDLL deleted"));

  StdoutCapture scopedOutput;
  {
    Outcome<LoadedPlugin> scoped = LoadedPlugin::Load(KEL_MODULE_PATH);
    ASSERT_TRUE(scoped) << scoped.Error();
  }
  EXPECT_EQ(scopedOutput.Finish(), Line("PlugDLL created") + Line("PlugDLL deleted"));
  EXPECT_FALSE(ModuleLibrary::IsLoaded(KEL_MODULE_PATH)) << "the destructor unloads";
}

struct BrokenCopy {
  const char* what;
  std::string (*manifest)(const std::string& reference);
  const char* error;  // what the failure text holds after the module's file name
};

class BrokenManifestCopies : public LoadedPluginTest,
                             public ::testing::WithParamInterface<BrokenCopy> {};

// The manifest is read from the file before the module is loaded: a module whose manifest
// the host refuses never runs, so it prints nothing and leaves nothing mapped.
TEST_P(BrokenManifestCopies, AreRefusedBeforeAnyOfTheirCodeRuns) {
  const std::string copy = ModuleWithManifest(GetParam().manifest(reference_));
  StdoutCapture output;
  const Outcome<LoadedPlugin> plugin = LoadedPlugin::Load(copy);
  EXPECT_EQ(output.Finish(), "");
  ASSERT_FALSE(plugin);
  EXPECT_THAT(plugin.Error(), StartsWith(std::string(kModuleFileName) + ": "));
  EXPECT_THAT(plugin.Error(), HasSubstr(GetParam().error));
  EXPECT_FALSE(ModuleLibrary::IsLoaded(copy));
}

INSTANTIATE_TEST_SUITE_P(
    LoadedPlugin, BrokenManifestCopies,
    ::testing::Values(
        BrokenCopy{"cut short", [](const std::string& m) { return m.substr(0, 300); },
                   "plug-in manifest: not well-formed XML"},
        BrokenCopy{"empty", [](const std::string&) { return std::string(); },
                   "plug-in manifest: not well-formed XML"},
        BrokenCopy{"wrong root",
                   [](const std::string& m) {
                     return Replaced(Replaced(m, "<plugcfg ", "<plugxyz "), "</plugcfg>",
                                     "</plugxyz>");
                   },
                   "plug-in manifest: root element is <plugxyz>, expected <plugcfg>"},
        BrokenCopy{"missing id",
                   [](const std::string& m) {
                     return Replaced(
                         m, "<id>com.velkora.zq.CCommandLineParametersParserPlugin/1.0</id>", "");
                   },
                   "plug-in manifest: <export> has 0 <id> elements, expected exactly one"},
        BrokenCopy{"unknown import",
                   [](const std::string& m) {
                     return Replaced(
                         Replaced(m, "<property>Logger</property>", "<property>Foo</property>"),
                         "com.velkora.general.kel.singletonlogger/1.0", "x/1.0");
                   },
                   "import \"Foo\" needs contract \"x/1.0\", which this host does not serve"}),
    [](const ::testing::TestParamInfo<BrokenCopy>& copy) {
      std::string name = copy.param.what;
      for (char& c : name) {
        if (c == ' ') c = '_';
      }
      return name;
    });

// The host injects what the manifest asks for and nothing else: without the collection
// import the module has no factory for its free arguments and says so.
TEST_F(LoadedPluginTest, InjectsOnlyTheImportsTheManifestNames) {
  const std::size_t begin = reference_.find("    <!-- collection -->");
  const std::size_t end = reference_.find("</import>", begin);
  ASSERT_NE(end, std::string::npos);
  std::string manifest = reference_;
  manifest.erase(begin, end + std::string("</import>\r\n\r\n").size() - begin);
  const std::string copy = ModuleWithManifest(manifest);

  StdoutCapture output;
  {
    Outcome<LoadedPlugin> plugin = LoadedPlugin::Load(copy);
    ASSERT_TRUE(plugin) << plugin.Error();
    EXPECT_EQ(plugin.Value().Manifest().imports.size(), 2u);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::ExportProxy), 2u);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::CollectionFactory), 0u);
    const char* const argv[] = {"prog", "free", nullptr};
    ASSERT_EQ(plugin.Value().Parser()->Parse(2, argv), 0);
    ObjectPtr<ICommandLineParameters> parameters;
    ASSERT_EQ(plugin.Value().Parser()->GetParameters(parameters.Put()), 0);
    ObjectPtr<ICollection> freeArguments;
    EXPECT_LT(parameters->GetFreeArguments(freeArguments.Put()), 0);
    EXPECT_FALSE(freeArguments);
  }
  EXPECT_EQ(output.Finish(),
            Line("PlugDLL created") +
                Line("LibManager: NULL object proxy returned for \"CollectionFactory\".") +
                Line("PlugDLL deleted"));
  EXPECT_FALSE(ModuleLibrary::IsLoaded(copy));
}

}  // namespace
}  // namespace kel::host
