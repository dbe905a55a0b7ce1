// What the corpus cannot show: which row an argument took (every dropped row looks alike in
// the result), that names and values are views into the argument, and the contract of
// SplitCommandLine around argc, argv and the collections it is given.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "CommandLineGrammar.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

enum class Kind { kDropped, kFree, kOption };

struct ClassificationRow {
  std::string_view trimmed;
  ArgumentShape shape;
  int row;
  Kind kind;
  std::string_view name = {};
  std::string_view value = {};
};

constexpr ClassificationRow kRows[] = {
    {"", ArgumentShape::kEmpty, 1, Kind::kDropped},
    {"a=b", ArgumentShape::kFreeArgument, 2, Kind::kFree},
    {"--", ArgumentShape::kDoubleDashAlone, 3, Kind::kDropped},
    {"--1x", ArgumentShape::kLongWithoutLetter, 4, Kind::kDropped},
    {"--=x", ArgumentShape::kLongWithoutLetter, 4, Kind::kDropped},
    {"---x", ArgumentShape::kLongWithoutLetter, 4, Kind::kDropped},
    {"-- x", ArgumentShape::kLongWithoutLetter, 4, Kind::kDropped},
    {"--\xE9x", ArgumentShape::kLongWithoutLetter, 4, Kind::kDropped},
    {"--n", ArgumentShape::kLongOption, 5, Kind::kOption, "n", ""},
    {"--a b", ArgumentShape::kLongOption, 5, Kind::kOption, "a b", ""},
    {"--name=", ArgumentShape::kLongWithTrailingEquals, 6, Kind::kDropped},
    {"--a=b=c", ArgumentShape::kLongOptionWithValue, 7, Kind::kOption, "a", "b=c"},
    {"--a==", ArgumentShape::kLongOptionWithValue, 7, Kind::kOption, "a", "="},
    {"-", ArgumentShape::kDashAlone, 8, Kind::kDropped},
    {"-5", ArgumentShape::kShortWithoutLetter, 9, Kind::kDropped},
    {"-=x", ArgumentShape::kShortWithoutLetter, 9, Kind::kDropped},
    {"- x", ArgumentShape::kShortWithoutLetter, 9, Kind::kDropped},
    {"-\xFF", ArgumentShape::kShortWithoutLetter, 9, Kind::kDropped},
    {"-n", ArgumentShape::kShortOption, 10, Kind::kOption, "n", ""},
    {"-ab", ArgumentShape::kShortOption, 10, Kind::kOption, "a", "b"},
    {"-n-1", ArgumentShape::kShortOption, 10, Kind::kOption, "n", "-1"},
    {"-n=v", ArgumentShape::kShortOptionWithEquals, 11, Kind::kOption, "n", "v"},
    {"-n==", ArgumentShape::kShortOptionWithEquals, 11, Kind::kOption, "n", "="},
    {"-n=", ArgumentShape::kShortWithMisplacedEquals, 12, Kind::kDropped},
    {"-ab=c", ArgumentShape::kShortWithMisplacedEquals, 12, Kind::kDropped},
    {"-nv=", ArgumentShape::kShortWithMisplacedEquals, 12, Kind::kDropped},
};

bool LiesWithin(std::string_view part, std::string_view whole) {
  return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

TEST(ClassifyArgument, EachShapeTakesItsRowWithViewsIntoTheArgument) {
  for (const ClassificationRow& expected : kRows) {
    // A copy, so that views into the test's literal cannot pass for views into the argument.
    const std::string argument(expected.trimmed);
    SCOPED_TRACE("argument \"" + argument + "\"");
    const ArgumentClassification actual = ClassifyArgument(argument);
    EXPECT_EQ(actual.shape, expected.shape);
    EXPECT_EQ(actual.row, expected.row);
    EXPECT_EQ(actual.IsDropped(), expected.kind == Kind::kDropped);
    EXPECT_EQ(actual.IsFreeArgument(), expected.kind == Kind::kFree);
    EXPECT_EQ(actual.IsOption(), expected.kind == Kind::kOption);
    EXPECT_EQ(actual.name, expected.name);
    EXPECT_EQ(actual.value, expected.value);
    EXPECT_EQ(actual.text, argument);
    EXPECT_TRUE(LiesWithin(actual.text, argument));
    if (expected.kind != Kind::kOption) continue;
    EXPECT_TRUE(LiesWithin(actual.name, argument));
    EXPECT_TRUE(LiesWithin(actual.value, argument));
  }
}

struct TrimRow {
  std::string_view argument;
  std::string_view trimmed;
};

TEST(TrimSpaces, RemovesOnlySpacesAndOnlyAtTheEnds) {
  constexpr TrimRow kTrimRows[] = {
      {"", ""},           {"   ", ""},    {"  a  ", "a"},    {" a b ", "a b"},
      {"\ta\t", "\ta\t"}, {" \t ", "\t"}, {"\r\n ", "\r\n"}, {" \xA0x\xA0 ", "\xA0x\xA0"},
  };
  for (const TrimRow& row : kTrimRows) {
    const std::string argument(row.argument);
    SCOPED_TRACE("argument \"" + argument + "\"");
    const std::string_view trimmed = TrimSpaces(argument);
    EXPECT_EQ(trimmed, row.trimmed);
    if (!trimmed.empty()) {
      EXPECT_TRUE(LiesWithin(trimmed, argument));
    }
  }
}

TEST(SplitCommandLine, ReadsNoArgvEntryWhenArgcIsOneOrLess) {
  // A null vector: any read of it, argv[0] included, would crash.
  for (const std::int32_t argc : {1, 0, -1, std::numeric_limits<std::int32_t>::min()}) {
    SCOPED_TRACE(argc);
    OptionMap options;
    FreeArgumentSet freeArguments;
    SplitCommandLine(argc, nullptr, options, freeArguments);
    EXPECT_THAT(options, IsEmpty());
    EXPECT_THAT(freeArguments, IsEmpty());
  }
}

TEST(SplitCommandLine, NeverReadsTheProgramName) {
  const char* const argv[] = {nullptr, "--x=1", "free", nullptr};
  OptionMap options;
  FreeArgumentSet freeArguments;
  SplitCommandLine(3, argv, options, freeArguments);
  EXPECT_THAT(options, ElementsAre(Pair("x", "1")));
  EXPECT_THAT(freeArguments, ElementsAre("free"));
}

TEST(SplitCommandLine, StartsFromEmptyCollections) {
  const char* const argv[] = {"prog", "-a", "b", nullptr};
  OptionMap options{{"stale", "1"}, {"a", "old"}};
  FreeArgumentSet freeArguments{"stale"};
  SplitCommandLine(3, argv, options, freeArguments);
  EXPECT_THAT(options, ElementsAre(Pair("a", "")));
  EXPECT_THAT(freeArguments, ElementsAre("b"));
}

}  // namespace
