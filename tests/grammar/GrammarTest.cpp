// The grammar in-process: the row each shape takes and the golden corpus. The grammar's
// properties over arbitrary argument vectors are the fuzzer's to check; that names and
// values are views into argv, not copies, shows in the allocation test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "CommandLineGrammar.h"
#include "GoldenCorpus.h"
#include "GrammarInvariants.h"

namespace {

using ::testing::ElementsAreArray;
using enum ArgumentShape;

struct ClassificationRow {
  std::string_view trimmed;
  ArgumentShape shape;
  std::string_view name = {};  // set for the options only
  std::string_view value = {};
};

// Every worked shape of each row and every shape that is dropped.
constexpr ClassificationRow kRows[] = {
    {"", kEmpty},
    {"abc", kFreeArgument},
    {"a=b", kFreeArgument},
    {"--", kDoubleDashAlone},
    {"--1x", kLongWithoutLetter},
    {"--=x", kLongWithoutLetter},
    {"---x", kLongWithoutLetter},
    {"--name", kLongOption, "name", ""},
    {"--name=", kLongWithTrailingEquals},
    {"--name=v", kLongOptionWithValue, "name", "v"},
    {"--a=b=c", kLongOptionWithValue, "a", "b=c"},
    {"--a==", kLongOptionWithValue, "a", "="},
    {"--foo-bar=1", kLongOptionWithValue, "foo-bar", "1"},
    {"-", kDashAlone},
    {"-5", kShortWithoutLetter},
    {"-=x", kShortWithoutLetter},
    {"- x", kShortWithoutLetter},
    {"-n", kShortOption, "n", ""},
    {"-nvalue", kShortOption, "n", "value"},
    {"-ab", kShortOption, "a", "b"},
    {"-n-1", kShortOption, "n", "-1"},
    {"-n=value", kShortOptionWithEquals, "n", "value"},
    {"-n=a=b", kShortOptionWithEquals, "n", "a=b"},
    {"-n=", kShortWithMisplacedEquals},
    {"-ab=c", kShortWithMisplacedEquals},
};

TEST(Grammar, EachShapeTakesItsRow) {
  for (const ClassificationRow& expected : kRows) {
    const ArgumentClassification actual = ClassifyArgument(expected.trimmed);
    EXPECT_EQ(std::tuple(actual.shape, actual.name, actual.value),
              std::tuple(expected.shape, expected.name, expected.value))
        << Printable(std::string(expected.trimmed));
  }
}

// Collections left over from an earlier use must not reach the result.
TEST(Grammar, EveryGoldenCaseYieldsItsOptionsAndFreeArguments) {
  const std::vector<GoldenCase> cases = ReadGoldenCorpus(KEL_GRAMMAR_CORPUS);
  ASSERT_GE(cases.size(), 60u) << "the corpus was cut short";
  for (const GoldenCase& goldenCase : cases) {
    SCOPED_TRACE(DescribeCase(goldenCase));
    const std::vector<const char*> argv = MakeArgv(goldenCase);
    OptionMap options{{"stale", "1"}};
    FreeArgumentSet freeArguments{"stale"};
    SplitCommandLine(goldenCase.argc, argv.data(), options, freeArguments);
    EXPECT_THAT(options, ElementsAreArray(goldenCase.options));
    EXPECT_THAT(freeArguments, ElementsAreArray(goldenCase.freeArguments));
  }
}

}  // namespace
