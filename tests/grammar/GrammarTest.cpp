// The grammar in-process: the row each shape takes, the golden corpus, and properties of
// random argument vectors checked against the grammar rather than a second implementation.
// That names and values are views into argv, not copies, shows in the allocation test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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

// The collections of `arguments` (argv[1] onwards), which they view.
std::pair<OptionMap, FreeArgumentSet> Split(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv{"prog"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  std::pair<OptionMap, FreeArgumentSet> result;
  SplitCommandLine(static_cast<std::int32_t>(argv.size()), argv.data(), result.first,
                   result.second);
  return result;
}

// Seeded vectors of up to 8 arguments, each begun like a free argument, a short or a long
// option, then up to 6 bytes weighted towards those that decide a shape. Few letters, so
// names repeat and later options replace earlier ones.
TEST(Grammar, PropertiesHoldForRandomArgumentVectors) {
  constexpr std::string_view kStarts[] = {"", "", "-", "--", "--a", "-a"};
  constexpr std::string_view kAlphabet = "    ----- ===  aabAZ 05 \t\x80\xA0\xC3\xE9\xFF";
  std::mt19937 random(0x5EED2024u);
  const auto below = [&random](std::size_t bound) {
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random);
  };
  for (int n = 0; n < 4000; ++n) {
    std::vector<std::string> arguments(below(9));
    for (std::string& argument : arguments) {
      argument = kStarts[below(std::size(kStarts))];
      for (std::size_t k = below(7); k > 0; --k) argument += kAlphabet[below(kAlphabet.size())];
    }
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const auto [options, freeArguments] = Split(arguments);
    ASSERT_EQ(FindGrammarViolation(arguments, options, freeArguments), "");
    // Free arguments form a set and options do not depend on them: exchanging their texts
    // changes nothing.
    const std::vector<std::size_t> positions = FreeArgumentPositions(arguments);
    std::vector<std::size_t> order = positions;
    std::shuffle(order.begin(), order.end(), random);
    std::vector<std::string> shuffled = arguments;
    for (std::size_t k = 0; k < positions.size(); ++k) shuffled[positions[k]] = arguments[order[k]];
    ASSERT_EQ(Split(shuffled), std::pair(options, freeArguments)) << "with free arguments shuffled";
  }
}

}  // namespace
