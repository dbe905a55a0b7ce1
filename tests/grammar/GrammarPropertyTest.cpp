// Randomized argument vectors, seeded and bounded, checked against properties that follow
// from the grammar rather than against a second implementation of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "CommandLineGrammar.h"
#include "GrammarInvariants.h"

namespace {

struct SplitResult {
  std::unique_ptr<const std::vector<std::string>> arguments;  // what the collections view
  OptionMap options;
  FreeArgumentSet freeArguments;
};

SplitResult Split(std::vector<std::string> arguments) {
  SplitResult result{
      std::make_unique<const std::vector<std::string>>(std::move(arguments)), {}, {}};
  std::vector<const char*> argv{"prog"};
  for (const std::string& argument : *result.arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  SplitCommandLine(static_cast<std::int32_t>(argv.size() - 1), argv.data(), result.options,
                   result.freeArguments);
  return result;
}

std::string Show(const std::vector<std::string>& arguments) {
  std::string shown;
  for (const std::string& argument : arguments) shown += " \"" + Printable(argument) + "\"";
  return "arguments:" + shown;
}

// Weighted towards the bytes that decide a shape. Few letters, so names repeat and later
// options replace earlier ones.
constexpr std::string_view kAlphabet =
    "    ----- ===  aabAZ 05 \t"
    "\x80\xA0\xC3\xE9\xFF";

class ArgumentGenerator {
 public:
  explicit ArgumentGenerator(std::uint32_t seed) : random_(seed) {}

  std::vector<std::string> Arguments() {
    std::vector<std::string> arguments(Below(9));
    for (std::string& argument : arguments) argument = Argument();
    return arguments;
  }

  std::mt19937& Random() { return random_; }

 private:
  // A third begin like a long option, a third like a short one, so every row is reached.
  std::string Argument() {
    static constexpr std::array<std::string_view, 6> kStarts = {"", "", "-", "--", "--a", "-a"};
    std::string argument(kStarts[Below(kStarts.size())]);
    for (std::size_t n = Below(7); n > 0; --n) {
      argument.push_back(kAlphabet[Below(kAlphabet.size())]);
    }
    return argument;
  }

  std::size_t Below(std::size_t bound) {
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_);
  }

  std::mt19937 random_;
};

TEST(GrammarProperties, HoldForRandomArgumentVectors) {
  constexpr int kVectors = 4000;
  ArgumentGenerator generator(0x5EED2024u);
  std::array<int, 12> argumentsPerRow{};

  for (int n = 0; n < kVectors; ++n) {
    std::vector<std::string> arguments = generator.Arguments();
    SCOPED_TRACE(Show(arguments));
    for (const std::string& argument : arguments) {
      ++argumentsPerRow.at(
          static_cast<std::size_t>(ClassifyArgument(TrimSpaces(argument)).row - 1));
    }

    const SplitResult first = Split(arguments);
    ASSERT_EQ(FindGrammarViolation(arguments, first.options, first.freeArguments), "");

    const SplitResult again = Split(arguments);
    ASSERT_EQ(again.options, first.options) << "a second parse differs";
    ASSERT_EQ(again.freeArguments, first.freeArguments) << "a second parse differs";

    const std::vector<std::size_t> positions = FreeArgumentPositions(arguments);
    std::vector<std::string> texts;
    for (const std::size_t i : positions) texts.push_back(arguments[i]);
    std::shuffle(texts.begin(), texts.end(), generator.Random());
    for (std::size_t k = 0; k < positions.size(); ++k) arguments[positions[k]] = texts[k];
    SCOPED_TRACE("free arguments shuffled to " + Show(arguments));
    const SplitResult shuffled = Split(arguments);
    ASSERT_EQ(shuffled.options, first.options);
    ASSERT_EQ(shuffled.freeArguments, first.freeArguments);
  }

  // The properties only mean something if the vectors reach every row of the grammar.
  for (std::size_t row = 0; row < argumentsPerRow.size(); ++row) {
    EXPECT_GE(argumentsPerRow[row], 20) << "grammar row " << row + 1 << " is rarely generated";
  }
}

}  // namespace
