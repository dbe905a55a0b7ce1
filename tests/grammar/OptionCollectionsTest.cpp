// Both collections must order byte strings as unsigned bytes, the shorter of two first when
// one begins the other, with no case folding; a signed or locale-aware order would put bytes
// 0x80 and above first or interleave upper and lower case.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "OptionCollections.h"

namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(OptionCollections, FreeArgumentsAreInUnsignedByteOrder) {
  const FreeArgumentSet freeArguments{"b", "\xFF", "a\x80", "ab", "\x80", "B",
                                      "a", "",     "a\x7F", "A",  "~",    "b"};
  EXPECT_THAT(freeArguments,
              ElementsAre("", "A", "B", "a", "ab", "a\x7F", "a\x80", "b", "~", "\x80", "\xFF"));
}

TEST(OptionCollections, OptionNamesAreInUnsignedByteOrder) {
  const OptionMap options{{"x\xC3\xA9", "1"}, {"xz", "2"}, {"X", "3"}, {"x", "4"}};
  EXPECT_THAT(options,
              ElementsAre(Pair("X", "3"), Pair("x", "4"), Pair("xz", "2"), Pair("x\xC3\xA9", "1")));
}

TEST(OptionCollections, LookUpByViewWithoutMakingAString) {
  const OptionMap options{{"name", "value"}};
  const FreeArgumentSet freeArguments{"free"};
  constexpr std::string_view kName = "name!";
  EXPECT_EQ(options.find(kName.substr(0, 4))->second, "value");
  EXPECT_TRUE(freeArguments.contains(std::string_view("free")));
  EXPECT_FALSE(freeArguments.contains(std::string_view("fre")));
}

}  // namespace
