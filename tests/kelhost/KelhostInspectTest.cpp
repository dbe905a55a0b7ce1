// kelhost inspect: a module's manifest and exports, read from the file without loading it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "KelhostRun.h"
#include "ManifestPatch.h"
#include "TemporaryDirectory.h"
#include "kel/host/ModuleFile.h"

namespace kel::kelhost::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string Bytes(const char* path) {
  const host::Outcome<std::string> bytes = host::ReadFileBytes(path);
  EXPECT_TRUE(bytes) << bytes.Error();
  return bytes ? bytes.Value() : std::string();
}

TEST(KelhostInspect, ShowsTheManifestOfTheBuiltModuleWithoutRunningIt) {
  const ProcessResult run = RunKelhost({"inspect", "--json", kModulePath});
  ASSERT_EQ(run.exitCode, 0) << run.errors << run.output;
  EXPECT_EQ(run.errors, "");
  EXPECT_THAT(run.output, ::testing::Not(HasSubstr("PlugDLL"))) << "the module was loaded";
  const nlohmann::json document = nlohmann::json::parse(run.output);
  EXPECT_EQ(document.at("module"), kModulePath);
  EXPECT_EQ(document.at("manifest_bytes"), 755);
  EXPECT_EQ(document.at("export_id"), "com.velkora.zq.CCommandLineParametersParserPlugin/1.0");
  EXPECT_EQ(document.at("contracts"),
            nlohmann::json({"com.velkora.zq.PluginContract/1.0",
                            "com.velkora.zq.CommandLineParametersParserContract/1.0"}));
  EXPECT_EQ(document.at("imports"), nlohmann::json::parse(R"([
              {"property": "Logger", "contract": "com.velkora.general.kel.singletonlogger/1.0",
               "served_by": "HostLogger"},
              {"property": "StringFactory", "contract": "com.velkora.general.kel.StringContract/1.0",
               "served_by": "HostStringFactory"},
              {"property": "CollectionFactory",
               "contract": "com.velkora.general.kel.CollectionContract/1.1",
               "served_by": "HostCollectionFactory"}])"));
  EXPECT_EQ(document.at("exports"), nlohmann::json({"GetExport"}));
  EXPECT_EQ(document.at("problems"), nlohmann::json::array());
}

TEST(KelhostInspect, TableListsEachEntryOnItsOwnLine) {
  const ProcessResult run = RunKelhost({"inspect", kModulePath});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const std::vector<std::string> lines = SplitLines(run.output);
  ASSERT_EQ(lines.size(), 11u) << run.output;
  EXPECT_EQ(lines[0], std::string("module:     ") + kModulePath);
  EXPECT_THAT(lines[2], StartsWith("manifest:   "));
  EXPECT_THAT(lines[2], HasSubstr(", 755 bytes"));
  EXPECT_EQ(lines[3], "export id:  com.velkora.zq.CCommandLineParametersParserPlugin/1.0");
  EXPECT_EQ(lines[4], "contracts:  com.velkora.zq.PluginContract/1.0");
  EXPECT_EQ(lines[5], "            com.velkora.zq.CommandLineParametersParserContract/1.0");
  EXPECT_EQ(lines[6],
            "imports:    Logger             com.velkora.general.kel.singletonlogger/1.0"
            "     HostLogger");
  EXPECT_EQ(lines[8],
            "            CollectionFactory  com.velkora.general.kel.CollectionContract/1.1"
            "  HostCollectionFactory");
  EXPECT_EQ(lines[9], "exports:    GetExport");
  EXPECT_EQ(lines[10], "problems:   (none)");
}

TEST(KelhostInspect, ReportsEveryProblemAndFails) {
  const host::testing::TemporaryDirectory directory;
  std::string manifest = Bytes(KEL_PLUGCFG_REFERENCE_PATH);
  const std::string from = "com.velkora.general.kel.StringContract/1.0";
  manifest.replace(manifest.find(from), from.size(), "x/1.0");
  const std::string module = directory.Write(
      "CommandLineParametersParser.kellib",
      host::testing::WithManifest(Bytes(kModulePath), Bytes(KEL_PLUGCFG_REFERENCE_PATH), manifest));
  const ProcessResult run = RunKelhost({"inspect", "--json", module});
  EXPECT_EQ(run.exitCode, 1);
  const nlohmann::json document = nlohmann::json::parse(run.output);
  EXPECT_EQ(document.at("imports").at(1).at("served_by"), nullptr);
  EXPECT_EQ(document.at("problems"),
            nlohmann::json({"import \"StringFactory\" needs contract \"x/1.0\", which this host "
                            "does not serve"}));
}

TEST(KelhostInspect, RefusesAFileThatIsNoModule) {
  const ProcessResult run = RunKelhost({"inspect", "--json", KEL_PLUGCFG_REFERENCE_PATH});
  EXPECT_EQ(run.exitCode, 1);
  const nlohmann::json document = nlohmann::json::parse(run.output);
  EXPECT_EQ(document.at("format"), nullptr);
  EXPECT_EQ(document.at("export_id"), nullptr);
  ASSERT_EQ(document.at("problems").size(), 1u);
  EXPECT_THAT(document.at("problems").at(0).get<std::string>(), StartsWith("plugcfg.xml: not a"));
}

}  // namespace
}  // namespace kel::kelhost::testing
