// The grammar in-process: the row each shape takes. The golden corpus is replayed through the
// module file (tests/e2e/ResultTableTest.cpp); the grammar's properties over arbitrary
// argument vectors are the fuzzer's to check; that names and values are views into argv, not
// copies, shows in the allocation test.
#include <gtest/gtest.h>

#include <string_view>
#include <tuple>

#include "CommandLineGrammar.h"

namespace {

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
        << ::testing::PrintToString(expected.trimmed);
  }
}

}  // namespace
