// The golden corpus replayed through kelhost --json against the built module: every case
// yields exactly the corpus's options and free arguments. kelhost passes argv[0] itself, so
// a case hands over its entries 1 to argc - 1 (none when argc is 1 or less), through an
// argument file, which carries every byte on every platform.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GoldenCorpus.h"
#include "KelhostRun.h"
#include "TemporaryDirectory.h"

namespace kel::kelhost::testing {
namespace {

using ::testing::ElementsAreArray;

std::vector<std::string> ArgumentsRead(const GoldenCase& goldenCase) {
  std::vector<std::string> arguments;
  for (std::int32_t index = 1; index < goldenCase.argc; ++index) {
    arguments.push_back(goldenCase.argv[static_cast<std::size_t>(index)]);
  }
  return arguments;
}

TEST(KelhostCorpus, EveryCaseYieldsItsOptionsAndFreeArguments) {
  const std::vector<GoldenCase> cases = ReadGoldenCorpus(KEL_GRAMMAR_CORPUS);
  // A corpus cut short by a bad edit would otherwise pass with whatever cases remain.
  ASSERT_GE(cases.size(), 60u);
  const host::testing::TemporaryDirectory directory;
  for (const GoldenCase& goldenCase : cases) {
    SCOPED_TRACE(DescribeCase(goldenCase));
    const std::string file = directory.Write("arguments", NulTerminated(ArgumentsRead(goldenCase)));
    const ProcessResult run = RunKelhost({"--json", "--args-file", file});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const std::optional<nlohmann::json> document = JsonBetweenModuleLines(run.output);
    ASSERT_TRUE(document);
    EXPECT_THAT(DecodeOptions(*document), ElementsAreArray(goldenCase.options));
    EXPECT_THAT(DecodeFreeArguments(*document), ElementsAreArray(goldenCase.freeArguments));
  }
}

}  // namespace
}  // namespace kel::kelhost::testing
