#include "Report.h"

#include <algorithm>
#include <cstddef>

#include "TextEscaping.h"

namespace kel::kelhost {
namespace {

std::string PadRight(const std::string& text, std::size_t width) {
  const std::size_t shown = DisplayWidth(text);
  return shown >= width ? text : text + std::string(width - shown, ' ');
}

std::string PadLeft(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

void AppendOptions(std::string& out, const ParseResult& result) {
  out += "options: " + std::to_string(result.options.size()) + "\n";
  std::size_t width = 0;
  for (const auto& option : result.options)
    width = std::max(width, DisplayWidth(Quoted(option.first)));
  for (const auto& [name, value] : result.options) {
    out += "  " + PadRight(Quoted(name), width) + " = " + Quoted(value) + "\n";
  }
}

void AppendFreeArguments(std::string& out, const ParseResult& result) {
  out += "free arguments: " + std::to_string(result.freeArguments.size()) + "\n";
  for (const std::string& argument : result.freeArguments) out += "  " + Quoted(argument) + "\n";
}

std::string Classification(const ArgumentExplanation& explanation) {
  std::string text = "row " + std::to_string(explanation.row) + ", " + explanation.shape;
  if (explanation.outcome == ArgumentExplanation::Outcome::kOption) {
    text += ": sets " + Quoted(explanation.name) + " = " + Quoted(explanation.value);
  }
  if (explanation.replacedBy) {
    text += "; replaced by argument " + std::to_string(*explanation.replacedBy);
  }
  if (explanation.collapsesInto) {
    text += "; collapses into argument " + std::to_string(*explanation.collapsesInto);
  }
  if (explanation.trimmed != explanation.argument) {
    text += "; trimmed first to " + Quoted(explanation.trimmed);
  }
  return text;
}

void AppendExplanations(std::string& out, const std::vector<ArgumentExplanation>& explanations) {
  out += "explain: " + std::to_string(explanations.size()) + " arguments\n";
  const std::size_t positionWidth = std::to_string(explanations.size()).size();
  std::size_t width = 0;
  for (const ArgumentExplanation& explanation : explanations) {
    width = std::max(width, DisplayWidth(Quoted(explanation.argument)));
  }
  for (const ArgumentExplanation& explanation : explanations) {
    out += "  " + PadLeft(std::to_string(explanation.position), positionWidth) + "  " +
           PadRight(Quoted(explanation.argument), width) + "  " + Classification(explanation) +
           "\n";
  }
}

}  // namespace

std::string RenderTable(const ParseReport& report) {
  std::string out;
  AppendOptions(out, report.result);
  AppendFreeArguments(out, report.result);
  if (report.explanations) AppendExplanations(out, *report.explanations);
  return out;
}

}  // namespace kel::kelhost
