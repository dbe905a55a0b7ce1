// libFuzzer target for the argument grammar. The input is an argument vector with its
// entries separated by NUL (an empty input is no argument at all); argv[0] is a fixed program
// name. Every property that a result must have is checked, and a violation aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "CommandLineGrammar.h"
#include "GrammarInvariants.h"

namespace {

std::vector<std::string> SplitAtNul(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments;
  if (size == 0) return arguments;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t begin = 0;
  for (std::size_t nul = bytes.find('\0'); nul != std::string_view::npos;
       nul = bytes.find('\0', begin)) {
    arguments.emplace_back(bytes.substr(begin, nul - begin));
    begin = nul + 1;
  }
  arguments.emplace_back(bytes.substr(begin));
  return arguments;
}

struct SplitResult {
  OptionMap options;
  FreeArgumentSet freeArguments;

  bool operator==(const SplitResult&) const = default;
};

SplitResult Split(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv{"grammar_fuzzer"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  SplitResult result;
  SplitCommandLine(static_cast<std::int32_t>(arguments.size() + 1), argv.data(), result.options,
                   result.freeArguments);
  return result;
}

void Require(bool holds, const std::string& what) {
  if (holds) return;
  std::fprintf(stderr, "grammar property violated: %s\n", what.c_str());
  std::abort();
}

bool LiesWithin(std::string_view part, std::string_view whole) {
  return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

// The classification of one argument agrees with itself: at most one kind, a row in range, views
// inside the trimmed argument.
void CheckClassification(const std::string& argument) {
  const std::string_view trimmed = TrimSpaces(argument);
  Require(LiesWithin(trimmed, argument) || trimmed.empty(), "trimmed text outside the argument");
  const ArgumentClassification c = ClassifyArgument(trimmed);
  const std::string shown = " for \"" + Printable(argument) + "\"";
  Require(!(c.IsOption() && c.IsFreeArgument()), "both an option and a free argument" + shown);
  Require(c.row >= 1 && c.row <= 12, "row out of range" + shown);
  Require(c.text == trimmed, "classified text differs from the trimmed argument" + shown);
  if (!c.IsOption()) return;
  Require(LiesWithin(c.name, trimmed) && LiesWithin(c.value, trimmed),
          "name or value outside the argument" + shown);
}

// The arguments with the texts at the free-argument positions reversed.
std::vector<std::string> WithFreeArgumentsReversed(std::vector<std::string> arguments) {
  const std::vector<std::size_t> positions = FreeArgumentPositions(arguments);
  for (std::size_t low = 0, high = positions.size(); low + 1 < high; ++low, --high) {
    std::swap(arguments[positions[low]], arguments[positions[high - 1]]);
  }
  return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> arguments = SplitAtNul(data, size);
  for (const std::string& argument : arguments) CheckClassification(argument);

  const SplitResult result = Split(arguments);
  const std::string violation =
      FindGrammarViolation(arguments, result.options, result.freeArguments);
  Require(violation.empty(), violation);
  Require(Split(arguments) == result, "a second parse differs");
  Require(Split(WithFreeArgumentsReversed(arguments)) == result,
          "the order of free arguments changed the result");
  return 0;
}
