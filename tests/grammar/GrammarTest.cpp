// The grammar in-process: the row each shape takes, and long command lines against ordered
// containers. The golden corpus is replayed through the module file
// (tests/e2e/ResultTableTest.cpp); the grammar's properties over arbitrary argument vectors
// are the fuzzer's to check; that names and values are views into argv, not copies, shows in
// the allocation test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

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

// Command lines of every length up to a few hundred arguments, so that both ways of sealing
// the collections run (insertion for a few, the hash table and keyed sort for many), with
// many repeats, texts that agree in their first 8 bytes and more, and bytes above 0x7F: the
// split must equal an ordered map in which a later option wins and an ordered set, filled
// from the same classified arguments.
TEST(Grammar, LongCommandLinesSealAsOrderedContainersDo) {
  const std::string stems[] = {"a",
                               "b1",
                               "common-prefix",
                               "common-prefix-",
                               "commit-",
                               "\xC3\xA9t\xC3\xA9",
                               "Z",
                               "common-prefix-with-a-long-tail"};
  std::mt19937 random(20261207);
  for (int round = 0; round < 300; ++round) {
    const int count = round < 40 ? round : static_cast<int>(random() % 600);
    std::vector<std::string> arguments{"prog"};
    for (int i = 0; i < count; ++i) {
      const std::string text = stems[random() % std::size(stems)] + std::to_string(random() % 9);
      const std::string value = std::to_string(random() % 4);
      const std::string forms[] = {
          "--" + text + "=" + value, "--" + text, "-" + text,
          " " + text + "  ",         text,        "-" + text + "=" + value};
      arguments.push_back(forms[random() % std::size(forms)]);
    }
    std::map<std::string, std::string> expectedOptions;
    std::set<std::string> expectedFree;
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
      argv.push_back(argument.c_str());
      const ArgumentClassification shape = ClassifyArgument(TrimSpaces(argument));
      if (&argument == &arguments.front()) continue;
      if (shape.IsOption()) expectedOptions[std::string(shape.name)] = shape.value;
      if (shape.IsFreeArgument()) expectedFree.emplace(shape.text);
    }
    const CommandLineSplit split(static_cast<std::int32_t>(argv.size()), argv.data());
    const std::map<std::string, std::string> options(split.Options().begin(),
                                                     split.Options().end());
    const std::vector<std::string> freeArguments(split.FreeArguments().begin(),
                                                 split.FreeArguments().end());
    SCOPED_TRACE(::testing::Message() << "round " << round << ", " << count << " arguments");
    EXPECT_EQ(split.Options().size(), options.size()) << "a name twice";
    EXPECT_TRUE(std::is_sorted(split.Options().begin(), split.Options().end()));
    EXPECT_EQ(options, expectedOptions);
    EXPECT_EQ(freeArguments, std::vector<std::string>(expectedFree.begin(), expectedFree.end()));
  }
}

}  // namespace
