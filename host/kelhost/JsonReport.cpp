#include "Report.h"

#include "JsonText.h"

namespace kel::kelhost {
namespace {

const char* OutcomeName(ArgumentExplanation::Outcome outcome) {
  switch (outcome) {
    case ArgumentExplanation::Outcome::kOption:
      return "option";
    case ArgumentExplanation::Outcome::kFreeArgument:
      return "free argument";
    case ArgumentExplanation::Outcome::kDropped:
      break;
  }
  return "dropped";
}

Json Explain(const ArgumentExplanation& explanation) {
  Json entry = Json::object();
  entry["position"] = explanation.position;
  entry["argument"] = JsonText(explanation.argument);
  entry["trimmed"] = JsonText(explanation.trimmed);
  entry["row"] = explanation.row;
  entry["shape"] = explanation.shape;
  entry["outcome"] = OutcomeName(explanation.outcome);
  if (explanation.outcome == ArgumentExplanation::Outcome::kOption) {
    entry["name"] = JsonText(explanation.name);
    entry["value"] = JsonText(explanation.value);
  }
  if (explanation.replacedBy) entry["replaced_by"] = *explanation.replacedBy;
  if (explanation.collapsesInto) entry["collapses_into"] = *explanation.collapsesInto;
  return entry;
}

}  // namespace

std::string RenderJson(const ParseReport& report) {
  Json document = Json::object();
  Json options = Json::array();
  for (const auto& [name, value] : report.result.options) {
    Json option = Json::object();
    option["name"] = JsonText(name);
    option["value"] = JsonText(value);
    options.push_back(std::move(option));
  }
  document["options"] = std::move(options);
  Json freeArguments = Json::array();
  for (const std::string& argument : report.result.freeArguments) {
    freeArguments.push_back(JsonText(argument));
  }
  document["free_arguments"] = std::move(freeArguments);
  if (report.explanations) {
    Json explanations = Json::array();
    for (const ArgumentExplanation& explanation : *report.explanations) {
      explanations.push_back(Explain(explanation));
    }
    document["explain"] = std::move(explanations);
  }
  if (report.moduleOutput) {
    Json lines = Json::array();
    for (const std::string& line : *report.moduleOutput) lines.push_back(JsonText(line));
    document["module_output"] = std::move(lines);
  }
  return document.dump(2) + "\n";
}

}  // namespace kel::kelhost
