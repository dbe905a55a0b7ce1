// kelhost's pieces that need no module: how it quotes texts, encodes them in JSON, splits an
// argument file, reads its own command line and names the grammar's rows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ArgumentsFile.h"
#include "Explanation.h"
#include "Invocation.h"
#include "JsonText.h"
#include "TextEscaping.h"

namespace kel::kelhost {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct Utf8Case {
  std::string bytes;
  bool valid;
};

TEST(IsValidUtf8, AcceptsWellFormedSequencesOnly) {
  const Utf8Case cases[] = {
      {"", true},
      {"plain ASCII \x01\x7F", true},
      {"\xC3\xA9", true},               // U+00E9
      {"\xE2\x82\xAC", true},           // U+20AC
      {"\xF0\x9F\x98\x80", true},       // U+1F600
      {"\xF4\x8F\xBF\xBF", true},       // U+10FFFF
      {"\x80", false},                  // continuation without lead
      {"\xC3", false},                  // cut short
      {"\xC3\x28", false},              // lead without continuation
      {"\xC0\xAF", false},              // overlong '/'
      {"\xE0\x80\xAF", false},          // overlong '/'
      {"\xED\xA0\x80", false},          // surrogate U+D800
      {"\xF4\x90\x80\x80", false},      // above U+10FFFF
      {"\xF8\x88\x80\x80\x80", false},  // five-byte form
      {"\xFF", false},
  };
  for (const Utf8Case& utf8 : cases) {
    EXPECT_EQ(IsValidUtf8(utf8.bytes), utf8.valid) << HexBytes(utf8.bytes);
  }
}

TEST(Quoted, EscapesWhatWouldBeAmbiguousOrInvisible) {
  const std::pair<std::string, std::string> cases[] = {
      {"", R"("")"},
      {"plain text", R"("plain text")"},
      {"say \"hi\"", R"("say \"hi\"")"},
      {"C:\\dir", R"("C:\\dir")"},
      {"\t\r\n", R"("\t\r\n")"},
      {std::string("\x01\x1F\x7F", 3), R"("\x01\x1f\x7f")"},
      {"\xC3\xA9t\xC3\xA9", "\"\xC3\xA9t\xC3\xA9\""},
      {"\xFF-x\x80", R"("\xff-x\x80")"},
      {"\xC3(", R"("\xc3(")"},
  };
  for (const auto& [bytes, shown] : cases) {
    EXPECT_EQ(Quoted(bytes), shown) << HexBytes(bytes);
    EXPECT_TRUE(IsValidUtf8(Quoted(bytes)));
  }
}

TEST(DisplayWidth, CountsCodePoints) {
  EXPECT_EQ(DisplayWidth(""), 0u);
  EXPECT_EQ(DisplayWidth("abc"), 3u);
  EXPECT_EQ(DisplayWidth("\xC3\xA9t\xE2\x82\xAC"), 3u);
}

TEST(JsonText, KeepsUtf8AsStringsAndGivesOtherBytesInHex) {
  EXPECT_EQ(JsonText("a\"\\\t\xC3\xA9"), Json("a\"\\\t\xC3\xA9"));
  EXPECT_EQ(JsonText("\xFF-\x01\xC3"), Json::parse(R"({"hex": "ff2d01c3"})"));
  // What is emitted parses back, escapes of control bytes included.
  EXPECT_EQ(Json::parse(Json::array({JsonText("\x01\n"), JsonText("\x80")}).dump()),
            Json::parse(R"(["\u0001\n", {"hex": "80"}])"));
}

TEST(SplitNulTerminated, GivesEveryArgumentByteForByte) {
  const host::Outcome<std::vector<std::string>> arguments =
      SplitNulTerminated(std::string("a b\0\0\xFF\n\0", 8));
  ASSERT_TRUE(arguments) << arguments.Error();
  EXPECT_THAT(arguments.Value(), ElementsAre("a b", "", "\xFF\n"));

  const host::Outcome<std::vector<std::string>> none = SplitNulTerminated("");
  ASSERT_TRUE(none);
  EXPECT_THAT(none.Value(), IsEmpty());

  const host::Outcome<std::vector<std::string>> unterminated =
      SplitNulTerminated(std::string("a\0b", 3));
  ASSERT_FALSE(unterminated);
  EXPECT_THAT(unterminated.Error(), HasSubstr("not ended by a NUL byte"));
}

// One argument of each grammar row, in row order: each row has its own phrase, and those of
// the dropped rows say so.
TEST(ExplainArguments, NamesEachRowWithItsOwnPhrase) {
  const std::vector<ArgumentExplanation> explanations = ExplainArguments(
      {"", "free", "--", "--1", "--a", "--a=", "--a=v", "-", "-5", "-ab", "-a=v", "-ab=c"});
  std::set<std::string> phrases;
  for (const ArgumentExplanation& explanation : explanations) {
    SCOPED_TRACE(explanation.argument);
    EXPECT_EQ(explanation.row, static_cast<int>(explanation.position));
    EXPECT_EQ(explanation.shape.starts_with("dropped: "),
              explanation.outcome == ArgumentExplanation::Outcome::kDropped)
        << explanation.shape;
    phrases.insert(explanation.shape);
  }
  EXPECT_EQ(phrases.size(), 12u);
}

struct InvocationCase {
  std::vector<std::string> arguments;
  Invocation::Mode mode;
  bool argumentsGiven;
  std::vector<std::string> parsed;
};

// kelhost's options end at the first argument that is not one of them; "--" ends them too.
TEST(ReadInvocation, SeparatesItsOwnOptionsFromTheArguments) {
  const InvocationCase cases[] = {
      {{}, Invocation::Mode::kParse, false, {}},
      {{"--json"}, Invocation::Mode::kParse, false, {}},
      {{"--"}, Invocation::Mode::kParse, true, {}},
      {{"--", "--json", "--"}, Invocation::Mode::kParse, true, {"--json", "--"}},
      {{"--explain", "free", "--json"}, Invocation::Mode::kParse, true, {"free", "--json"}},
      {{"--module=m", "--trace", "--", "-x"}, Invocation::Mode::kParse, true, {"-x"}},
      {{"--json", "--help", "--bogus"}, Invocation::Mode::kHelp, false, {}},
      {{"-", "x"}, Invocation::Mode::kParse, true, {"-", "x"}},
      {{"--", "inspect"}, Invocation::Mode::kParse, true, {"inspect"}},
      {{"inspect", "--", "--json"}, Invocation::Mode::kInspect, false, {}},
  };
  for (const InvocationCase& invocationCase : cases) {
    SCOPED_TRACE(::testing::PrintToString(invocationCase.arguments));
    const host::Outcome<Invocation> invocation = ReadInvocation(invocationCase.arguments);
    ASSERT_TRUE(invocation) << invocation.Error();
    EXPECT_EQ(invocation.Value().mode, invocationCase.mode);
    if (invocationCase.mode != Invocation::Mode::kParse) continue;
    EXPECT_EQ(invocation.Value().argumentsGiven, invocationCase.argumentsGiven);
    EXPECT_EQ(invocation.Value().arguments, invocationCase.parsed);
  }
}

TEST(ReadInvocation, TakesOptionValuesInBothSpellings) {
  const host::Outcome<Invocation> spaced =
      ReadInvocation({"--module", "a b", "--args-file", "f", "--json", "--explain", "--trace"});
  ASSERT_TRUE(spaced) << spaced.Error();
  EXPECT_EQ(spaced.Value().modulePath, "a b");
  EXPECT_EQ(spaced.Value().argumentsFile, "f");
  EXPECT_TRUE(spaced.Value().json && spaced.Value().explain && spaced.Value().trace);

  const host::Outcome<Invocation> joined = ReadInvocation({"--module=x=y", "--args-file="});
  ASSERT_TRUE(joined) << joined.Error();
  EXPECT_EQ(joined.Value().modulePath, "x=y");
  EXPECT_EQ(joined.Value().argumentsFile, "");
  EXPECT_FALSE(joined.Value().json);

  const host::Outcome<Invocation> inspect = ReadInvocation({"inspect", "--json", "--", "-m"});
  ASSERT_TRUE(inspect) << inspect.Error();
  EXPECT_EQ(inspect.Value().mode, Invocation::Mode::kInspect);
  EXPECT_EQ(inspect.Value().modulePath, "-m");
  EXPECT_TRUE(inspect.Value().json);
}

}  // namespace
}  // namespace kel::kelhost
