// kelhost driven in-process through its command code, every printed byte compared; then a
// few runs of the built executable for what only a process shows: its exit status, the
// module beside it, and its command line as the system hands it over.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "HelpText.h"
#include "SampleArguments.h"
#include "StdoutCapture.h"
#include "Subprocess.h"
#include "kel/host/HostString.h"

namespace kel::kelhost::testing {
namespace {

using ::kel::testing::RunProcess;
using ::kel::testing::StdoutCapture;
using ::kel::testing::WithStdoutLineEnds;

const std::string kModule = KEL_MODULE_PATH;

struct KelhostRun {
  int exit;
  std::string output;  // standard output, "\n" for each line end
  std::string errors;  // standard error, "\n" for each line end
};

KelhostRun RunInProcess(const std::vector<std::string>& arguments) {
  StdoutCapture output;
  ::testing::internal::CaptureStderr();
  const int exit = RunKelhost(arguments);
  std::string errors = ::testing::internal::GetCapturedStderr();
  std::erase(errors, '\r');
  return {exit, output.Finish(), errors};
}

struct KelhostRow {
  std::vector<std::string> arguments;
  std::string output;
  std::string errors = "";  // without "kelhost: " and, for exit status 2, the hint to --help
  int exit = 0;
  bool keepHostObject = false;  // a host object the test holds across the run
};

TEST(Kelhost, PrintsEveryByteAndExitsWithItsStatus) {
  // ARGs byte for byte from a file, each ended by NUL: an empty one and a space included.
  const std::string argsFile = ::testing::TempDir() + "kelhost-args";
  std::ofstream(argsFile, std::ios::binary) << std::string("-n\xFF\0\0 \0x y\0", 11);
  const KelhostRow rows[] = {
      {{"--module", kModule, "--args-file", argsFile},
       "PlugDLL created\noptions: 1\n  \"n\" = \"\\xff\"\nfree arguments: 1\n  \"x y\"\n"
       "PlugDLL deleted\n"},
      // kelhost's options end at the first argument that is not one of them. Names align by
      // code points; quotes, backslashes, controls and what is no UTF-8 are escaped.
      {{"--module", kModule, "x", "--json", "--long=v", "-a", "x", "-5", "-b\xC3\xA9",
        "--n\xC3\xA9=\t\"\\", "\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xFF", "\xF0\x9F\x98\x80"},
       "PlugDLL created\noptions: 5\n  \"a\"    = \"\"\n  \"b\"    = \"\xC3\xA9\"\n"
       "  \"json\" = \"\"\n  \"long\" = \"v\"\n  \"n\xC3\xA9\"   = \"\\t\\\"\\\\\"\n"
       "free arguments: 3\n  \"x\"\n  \"\\xc0\\xaf\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80\\xff\"\n"
       "  \"\xF0\x9F\x98\x80\"\nPlugDLL deleted\n"},
      {{"--json", "--module", kModule, "--", "-n\xFF", "\xC3\xA9"},
       "{\n  \"options\": [\n    {\n      \"name\": \"n\",\n      \"value\": {\n"
       "        \"hex\": \"ff\"\n      }\n    }\n  ],\n  \"free_arguments\": [\n    \"\xC3\xA9\"\n"
       "  ],\n  \"module_output\": [\n    \"PlugDLL created\",\n    \"PlugDLL deleted\"\n  ]\n}\n"},
      {{"--module=" + kModule, "--explain", "--", "--a=1", "b", "--a", "  b ", "-5"},
       "PlugDLL created\noptions: 1\n  \"a\" = \"\"\nfree arguments: 1\n  \"b\"\n"
       "explain: 5 arguments\n"
       "  1  \"--a=1\"  row 7, long option with value: sets \"a\" = \"1\"; replaced by argument 3\n"
       "  2  \"b\"      row 2, free argument\n"
       "  3  \"--a\"    row 5, long option without value: sets \"a\" = \"\"\n"
       "  4  \"  b \"   row 2, free argument; collapses into argument 2; trimmed first to \"b\"\n"
       "  5  \"-5\"     row 9, dropped: '-' not followed by a letter or '-'\nPlugDLL deleted\n"},
      // Host objects still alive after the unload fail the run, and change nothing else.
      {{"--module", kModule, "--", "--a=1"},
       "PlugDLL created\noptions: 1\n  \"a\" = \"1\"\nfree arguments: 0\nPlugDLL deleted\n",
       "host objects still alive after the module was unloaded: String: 1",
       3,
       true},
      // The manifest and exports read without loading the module.
      {{"inspect", kModule},
       "module:     " + kModule +
           "\nformat:     " KEL_MODULE_FORMAT "\nmanifest:   " KEL_MANIFEST_LOCATION ", 755 bytes\n"
           "export id:  com.velkora.zq.CCommandLineParametersParserPlugin/1.0\n"
           "contracts:  com.velkora.zq.PluginContract/1.0\n"
           "            com.velkora.zq.CommandLineParametersParserContract/1.0\n"
           "imports:    Logger             com.velkora.general.kel.singletonlogger/1.0     "
           "HostLogger\n"
           "            StringFactory      com.velkora.general.kel.StringContract/1.0      "
           "HostStringFactory\n"
           "            CollectionFactory  com.velkora.general.kel.CollectionContract/1.1  "
           "HostCollectionFactory\n"
           "exports:    GetExport\nproblems:   (none)\n"},
      {{"--bogus"}, "", "unknown option '--bogus'; put the arguments for the module after '--'", 2},
  };
  for (const KelhostRow& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.arguments));
    ObjectPtr<host::HostString> kept;
    if (row.keepHostObject) kept = host::HostString::Create("kept");
    const KelhostRun run = RunInProcess(row.arguments);
    EXPECT_EQ(run.exit, row.exit);
    EXPECT_EQ(run.output, WithStdoutLineEnds(row.output));
    const std::string hint = row.exit == 2 ? "; see kelhost --help" : "";
    EXPECT_EQ(run.errors, row.errors.empty() ? "" : "kelhost: " + row.errors + hint + "\n");
  }
}

// The executable: its exit statuses, the module beside it parsing the sample line when no
// argument is given, and an argument beyond ASCII reaching the module as UTF-8 (on Windows
// through the wide command line).
TEST(Kelhost, RunsAsAProcessAndReadsItsCommandLineAsUtf8) {
  std::vector<std::string> sample = {"--module", kModule, "--"};
  sample.insert(sample.end(), SampleArguments().begin(), SampleArguments().end());
  ASSERT_THAT(RunInProcess(sample).output, ::testing::HasSubstr("options: 7"));
  const std::pair<std::vector<std::string>, KelhostRun> rows[] = {
      {{}, RunInProcess(sample)},
      {{"--help"}, {0, WithStdoutLineEnds(HelpText()), ""}},
      {{"--", "-b\xC3\xA9"}, RunInProcess({"--module", kModule, "--", "-b\xC3\xA9"})},
      {{"--json", "--", "--a=1", "x"},
       RunInProcess({"--json", "--module", kModule, "--", "--a=1", "x"})},
      {{"--module", kModule + ".missing", "--"}, {1, "", ""}},
  };
  for (const auto& [arguments, expected] : rows) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    StdoutCapture output;
    EXPECT_EQ(RunProcess(KELHOST_PATH, arguments), expected.exit);
    EXPECT_EQ(output.Finish(), expected.output);
  }
}

}  // namespace
}  // namespace kel::kelhost::testing
