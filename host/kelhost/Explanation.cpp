#include "Explanation.h"

#include <map>

#include "CommandLineGrammar.h"

namespace kel::kelhost {
namespace {

// A short phrase for each row of the grammar; dropped rows say so first.
const char* DescribeShape(ArgumentShape shape) noexcept {
  switch (shape) {
    case ArgumentShape::kEmpty:
      return "dropped: empty after trimming";
    case ArgumentShape::kFreeArgument:
      return "free argument";
    case ArgumentShape::kDoubleDashAlone:
      return "dropped: '--' alone";
    case ArgumentShape::kLongWithoutLetter:
      return "dropped: '--' not followed by a letter";
    case ArgumentShape::kLongOption:
      return "long option without value";
    case ArgumentShape::kLongWithTrailingEquals:
      return "dropped: long option ending in '='";
    case ArgumentShape::kLongOptionWithValue:
      return "long option with value";
    case ArgumentShape::kDashAlone:
      return "dropped: '-' alone";
    case ArgumentShape::kShortWithoutLetter:
      return "dropped: '-' not followed by a letter or '-'";
    case ArgumentShape::kShortOption:
      return "short option, value attached";
    case ArgumentShape::kShortOptionWithEquals:
      return "short option with '=' value";
    case ArgumentShape::kShortWithMisplacedEquals:
      return "dropped: short option with '=' not right after its letter";
  }
  return "unknown argument shape";
}

}  // namespace

std::vector<ArgumentExplanation> ExplainArguments(const std::vector<std::string>& arguments) {
  std::vector<ArgumentExplanation> explanations;
  explanations.reserve(arguments.size());
  // Index into `explanations` of the latest setter of each name and of the first
  // occurrence of each free argument; byte-wise keys, as the grammar's collections use.
  std::map<std::string, std::size_t, std::less<>> latestSetter;
  std::map<std::string, std::size_t, std::less<>> firstFree;
  for (const std::string& argument : arguments) {
    const std::string_view trimmed = TrimSpaces(argument);
    const ArgumentClassification classification = ClassifyArgument(trimmed);
    ArgumentExplanation& explanation = explanations.emplace_back();
    explanation.position = explanations.size();
    explanation.argument = argument;
    explanation.trimmed = std::string(trimmed);
    explanation.row = classification.row;
    explanation.shape = DescribeShape(classification.shape);
    const std::size_t index = explanations.size() - 1;
    if (classification.IsOption()) {
      explanation.outcome = ArgumentExplanation::Outcome::kOption;
      explanation.name = std::string(classification.name);
      explanation.value = std::string(classification.value);
      const auto [earlier, first] = latestSetter.try_emplace(explanation.name, index);
      if (!first) {
        explanations[earlier->second].replacedBy = explanation.position;
        earlier->second = index;
      }
    } else if (classification.IsFreeArgument()) {
      explanation.outcome = ArgumentExplanation::Outcome::kFreeArgument;
      const auto [earlier, first] = firstFree.try_emplace(std::string(classification.text), index);
      if (!first) explanation.collapsesInto = explanations[earlier->second].position;
    }
  }
  return explanations;
}

}  // namespace kel::kelhost
