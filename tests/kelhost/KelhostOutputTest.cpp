// kelhost run as a child process, as a user runs it: its exact output, its JSON read back,
// --explain, --trace, its errors and exit statuses; and its leak report, run in-process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "Commands.h"
#include "ExitCodes.h"
#include "KelhostRun.h"
#include "ManifestPatch.h"
#include "StdoutCapture.h"
#include "TemporaryDirectory.h"
#include "kel/host/HostString.h"
#include "kel/host/ModuleFile.h"

namespace kel::kelhost::testing {
namespace {

using ::kel::testing::StdoutCapture;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::StartsWith;

std::string Bytes(const char* path) {
  const host::Outcome<std::string> bytes = host::ReadFileBytes(path);
  EXPECT_TRUE(bytes) << bytes.Error();
  return bytes ? bytes.Value() : std::string();
}

TEST(Kelhost, PrintsTheModulesLinesAroundAnAlignedTable) {
  // The default module is the one beside the executable; "-bé" crosses the command line as
  // UTF-8 on every platform.
  const ProcessResult run = RunKelhost({"--", "--long=v", "x", "-a", "x", "-5", "-b\xC3\xA9"});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  EXPECT_EQ(run.output, WithStreamLineEnds("PlugDLL created\n"
                                           "options: 3\n"
                                           "  \"a\"    = \"\"\n"
                                           "  \"b\"    = \"\xC3\xA9\"\n"
                                           "  \"long\" = \"v\"\n"
                                           "free arguments: 1\n"
                                           "  \"x\"\n"
                                           "PlugDLL deleted\n"));
}

TEST(Kelhost, PrintsJsonBetweenTheModulesLines) {
  const ProcessResult run = RunKelhost({"--json", "--", "--a=1", "b"});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.output, WithStreamLineEnds("PlugDLL created\n"
                                           "{\n"
                                           "  \"options\": [\n"
                                           "    {\n"
                                           "      \"name\": \"a\",\n"
                                           "      \"value\": \"1\"\n"
                                           "    }\n"
                                           "  ],\n"
                                           "  \"free_arguments\": [\n"
                                           "    \"b\"\n"
                                           "  ]\n"
                                           "}\n"
                                           "PlugDLL deleted\n"));
}

TEST(Kelhost, ParsesTheSampleLineWithoutArgumentsAndNothingAfterADoubleDash) {
  const ProcessResult sample = RunKelhost({});
  EXPECT_EQ(sample.exitCode, 0) << sample.errors;
  EXPECT_EQ(sample.output, WithStreamLineEnds("PlugDLL created\n"
                                              "options: 7\n"
                                              "  \"level\"   = \"2\"\n"
                                              "  \"name\"    = \"value\"\n"
                                              "  \"o\"       = \"file.txt\"\n"
                                              "  \"q\"       = \"\"\n"
                                              "  \"trimmed\" = \"yes\"\n"
                                              "  \"verbose\" = \"\"\n"
                                              "  \"w\"       = \"80\"\n"
                                              "free arguments: 2\n"
                                              "  \"input.txt\"\n"
                                              "  \"output.txt\"\n"
                                              "PlugDLL deleted\n"));

  const ProcessResult nothing = RunKelhost({"--"});
  EXPECT_EQ(nothing.exitCode, 0) << nothing.errors;
  EXPECT_EQ(nothing.output, WithStreamLineEnds("PlugDLL created\n"
                                               "options: 0\n"
                                               "free arguments: 0\n"
                                               "PlugDLL deleted\n"));
}

// Bytes that are not UTF-8 come back as {"hex": ...}, everything else as JSON strings; either
// way the bytes the module stored are recovered exactly. The arguments go through a file,
// which carries any byte on every platform.
TEST(Kelhost, JsonCarriesEveryByteTheModuleStored) {
  const host::testing::TemporaryDirectory directory;
  const std::string file =
      directory.Write("arguments", NulTerminated({"--n=\xFF\x80", "\t\"q\\\x01", "--u=\xC3\xA9",
                                                  "\xC3\x28", "-e", "--sp= a b"}));
  const ProcessResult run = RunKelhost({"--json", "--args-file", file});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const std::optional<nlohmann::json> document = JsonBetweenModuleLines(run.output);
  ASSERT_TRUE(document);
  EXPECT_EQ(document->at("options").at(1).at("value"), nlohmann::json({{"hex", "ff80"}}));
  EXPECT_THAT(DecodeOptions(*document), ElementsAre(Pair("e", ""), Pair("n", "\xFF\x80"),
                                                    Pair("sp", " a b"), Pair("u", "\xC3\xA9")));
  EXPECT_THAT(DecodeFreeArguments(*document), ElementsAre("\t\"q\\\x01", "\xC3\x28"));
  EXPECT_FALSE(document->contains("explain"));
}

TEST(Kelhost, ExplainsHowTheGrammarClassifiedEachArgument) {
  const ProcessResult run = RunKelhost(
      {"--json", "--explain", "--", "--a=1", "--a=2", "b", "b", "-ab=c", "  -x  ", "--"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const std::optional<nlohmann::json> document = JsonBetweenModuleLines(run.output);
  ASSERT_TRUE(document);
  const nlohmann::json& explain = document->at("explain");
  ASSERT_EQ(explain.size(), 7u);
  for (std::size_t index = 0; index < explain.size(); ++index) {
    EXPECT_EQ(explain[index].at("position"), index + 1);
  }
  EXPECT_EQ(explain[0].at("outcome"), "option");
  EXPECT_EQ(explain[0].at("row"), 7);
  EXPECT_EQ(explain[0].at("value"), "1");
  EXPECT_EQ(explain[0].at("replaced_by"), 2);
  EXPECT_FALSE(explain[1].contains("replaced_by"));
  EXPECT_EQ(explain[2].at("outcome"), "free argument");
  EXPECT_FALSE(explain[2].contains("collapses_into"));
  EXPECT_EQ(explain[3].at("collapses_into"), 3);
  EXPECT_EQ(explain[4].at("outcome"), "dropped");
  EXPECT_EQ(explain[4].at("row"), 12);
  EXPECT_THAT(explain[4].at("shape").get<std::string>(), StartsWith("dropped: "));
  EXPECT_EQ(explain[5].at("argument"), "  -x  ");
  EXPECT_EQ(explain[5].at("trimmed"), "-x");
  EXPECT_EQ(explain[5].at("name"), "x");
  EXPECT_EQ(explain[6].at("row"), 3);
  // What the explanation says was kept is what the module kept.
  EXPECT_THAT(DecodeOptions(*document), ElementsAre(Pair("a", "2"), Pair("x", "")));
  EXPECT_THAT(DecodeFreeArguments(*document), ElementsAre("b"));
}

TEST(Kelhost, ExplainTableNamesReplacementsCollapsesAndDrops) {
  const ProcessResult run = RunKelhost({"--explain", "--", "--a=1", "b", "--a", "b", "-5"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const std::vector<std::string> lines = SplitLines(run.output);
  const auto explain = std::find(lines.begin(), lines.end(), "explain: 5 arguments");
  ASSERT_NE(explain, lines.end()) << run.output;
  ASSERT_GE(lines.end() - explain, 6);
  EXPECT_EQ(explain[1],
            "  1  \"--a=1\"  row 7, long option with value: sets \"a\" = \"1\"; "
            "replaced by argument 3");
  EXPECT_EQ(explain[2], "  2  \"b\"      row 2, free argument");
  EXPECT_EQ(explain[3], "  3  \"--a\"    row 5, long option without value: sets \"a\" = \"\"");
  EXPECT_EQ(explain[4], "  4  \"b\"      row 2, free argument; collapses into argument 2");
  EXPECT_THAT(explain[5], StartsWith("  5  \"-5\"     row 9, dropped: "));
}

// Every reference taken on a host object is given back, and every host object ends.
TEST(Kelhost, TracesEveryReferenceOnHostObjects) {
  const ProcessResult run = RunKelhost({"--trace", "--", "--a=1", "b"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  std::map<std::string, int> balance;
  std::map<std::string, std::string> lastLine;
  for (const std::string& line : SplitLines(run.errors)) {
    ASSERT_THAT(line, StartsWith("trace: ")) << "only trace lines on stderr";
    const std::string entry = line.substr(std::string("trace: ").size());
    const std::size_t space = entry.find(' ');
    const std::string operation = entry.substr(0, space);
    const std::string object = entry.substr(space + 1, entry.find(' ', space + 1) - space - 1);
    ASSERT_TRUE(operation == "AddRef" || operation == "Release") << line;
    balance[object] += operation == "AddRef" ? 1 : -1;
    lastLine[object] = entry;
  }
  for (const char* object :
       {"Logger#1", "StringFactory#1", "CollectionFactory#1", "ExportProxy#1", "ExportProxy#2",
        "ExportProxy#3", "String#1", "String#2", "Collection#1"}) {
    EXPECT_EQ(balance[object], 0) << object;
    EXPECT_EQ(lastLine[object], std::string("Release ") + object + " -> 0 (destroyed)");
  }
  EXPECT_EQ(balance.size(), 9u);
}

// kelhost's own code run in-process, while the test holds a host object: still alive after
// the module's unload, it is reported and fails the run, and nothing else kelhost prints
// changes.
TEST(Kelhost, ReportsHostObjectsLeftAliveAndFails) {
  const std::vector<std::string> arguments = {"--module", kModulePath, "--", "--a=1", "b"};
  StdoutCapture cleanOutput;
  EXPECT_EQ(kelhost::RunKelhost(arguments), kExitSuccess);
  const std::string clean = cleanOutput.Finish();
  EXPECT_THAT(clean, HasSubstr("PlugDLL deleted"));

  const ObjectPtr<host::HostString> kept = host::HostString::Create("kept by the test");
  StdoutCapture leakyOutput;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(kelhost::RunKelhost(arguments), kExitObjectsAlive);
  EXPECT_THAT(SplitLines(::testing::internal::GetCapturedStderr()),
              ElementsAre("kelhost: host objects still alive after the module was unloaded: "
                          "String: 1"));
  EXPECT_EQ(leakyOutput.Finish(), clean);
}

TEST(Kelhost, HelpExplainsItselfWithoutLoadingTheModule) {
  const ProcessResult run = RunKelhost({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.errors, "");
  EXPECT_THAT(run.output, StartsWith("Usage: kelhost [OPTION]... [--] [ARG]..."));
  for (const char* topic :
       {"inspect [--json] MODULE", "--module PATH", "--json", "--explain", "--trace",
        "--args-file FILE", "Exit status:", "Examples:", "the line after \"PlugDLL created\""}) {
    EXPECT_THAT(run.output, HasSubstr(topic));
  }
  EXPECT_THAT(SplitLines(run.output), ::testing::Not(::testing::Contains("PlugDLL created")));
}

struct Misuse {
  std::vector<std::string> arguments;
  const char* error;
};

class KelhostMisuse : public ::testing::TestWithParam<Misuse> {};

TEST_P(KelhostMisuse, FailsWithAHintAndLoadsNothing) {
  const ProcessResult run = RunKelhost(GetParam().arguments);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.errors, WithStreamLineEnds(std::string("kelhost: ") + GetParam().error + "\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Kelhost, KelhostMisuse,
    ::testing::Values(
        Misuse{{"--bogus"},
               "unknown option '--bogus'; put the arguments for the module after '--'; see "
               "kelhost --help"},
        Misuse{{"--json", "-x", "--"},
               "unknown option '-x'; put the arguments for the module after '--'; see kelhost "
               "--help"},
        Misuse{{"--module"}, "option --module needs a value; see kelhost --help"},
        Misuse{{"--args-file", "file", "extra"},
               "--args-file and ARGs on the command line do not go together; see kelhost --help"},
        Misuse{{"inspect"}, "inspect needs a MODULE; see kelhost --help"},
        Misuse{{"inspect", "--trace", "m"},
               "unknown option '--trace' for inspect; see kelhost --help"},
        Misuse{{"inspect", "a", "b"}, "inspect takes one MODULE; see kelhost --help"}));

TEST(Kelhost, NamesAModuleFileItCannotRead) {
  const std::string missing = std::string(kModulePath) + ".missing";
  const ProcessResult run = RunKelhost({"--module", missing, "--", "a"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "");
  EXPECT_THAT(run.errors, StartsWith("kelhost: " + missing + ": "));
}

class KelhostWithPatchedModule : public ::testing::Test {
 protected:
  std::string ModuleWithManifest(const std::string& manifest) {
    return directory_.Write("CommandLineParametersParser.kellib",
                            host::testing::WithManifest(Bytes(kModulePath), reference_, manifest));
  }
  std::string Replaced(const std::string& from, const std::string& to) const {
    std::string text = reference_;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
  }

  const std::string reference_ = Bytes(KEL_PLUGCFG_REFERENCE_PATH);
  host::testing::TemporaryDirectory directory_;
};

TEST_F(KelhostWithPatchedModule, RefusesAModuleWhoseImportItCannotServe) {
  const std::string module = ModuleWithManifest(Replaced(
      "<property>Logger</property>\r\n      <contract>com.velkora.general.kel.singletonlogger/1.0",
      "<property>Foo</property>\r\n      <contract>x/1.0"));
  const ProcessResult run = RunKelhost({"--module", module, "--", "a"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "") << "the module never ran";
  EXPECT_EQ(run.errors, WithStreamLineEnds("kelhost: CommandLineParametersParser.kellib: import "
                                           "\"Foo\" needs contract \"x/1.0\", which this host "
                                           "does not serve\n"));
}

// Without the collection import the module reports on standard output that it has no
// collection factory; kelhost passes that line on untouched and fails.
TEST_F(KelhostWithPatchedModule, PassesTheModulesDiagnosticsOnUntouched) {
  const std::size_t begin = reference_.find("    <!-- collection -->");
  const std::size_t end = reference_.find("</import>\r\n\r\n", begin);
  ASSERT_NE(end, std::string::npos);
  std::string manifest = reference_;
  manifest.erase(begin, end + std::string("</import>\r\n\r\n").size() - begin);
  const ProcessResult run = RunKelhost({"--module", ModuleWithManifest(manifest), "--", "a"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, WithStreamLineEnds("PlugDLL created\n"
                                           "LibManager: NULL object proxy returned for "
                                           "\"CollectionFactory\".\n"
                                           "PlugDLL deleted\n"));
  EXPECT_EQ(run.errors, WithStreamLineEnds("kelhost: CommandLineParametersParser.kellib: "
                                           "GetFreeArguments returned -1\n"));
}

}  // namespace
}  // namespace kel::kelhost::testing
