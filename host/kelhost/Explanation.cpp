#include "Explanation.h"

#include <map>

#include "CommandLineGrammar.h"

namespace kel::kelhost {

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
