#include "KelhostRun.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "StdoutCapture.h"

namespace kel::kelhost::testing {

ProcessResult RunKelhost(const std::vector<std::string>& arguments) {
  return RunProcess(kKelhostPath, arguments);
}

std::string WithStreamLineEnds(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') {
      out += ::kel::testing::kStdoutLineEnd;
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find('\n', begin)) != std::string_view::npos; begin = end + 1) {
    std::string_view line = text.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
  }
  if (begin < text.size()) lines.emplace_back(text.substr(begin));
  return lines;
}

std::optional<nlohmann::json> JsonBetweenModuleLines(std::string_view output) {
  const std::vector<std::string> lines = SplitLines(output);
  std::size_t created = lines.size();
  std::size_t deleted = lines.size();
  for (std::size_t index = 0; index < lines.size(); ++index) {
    if (lines[index] == "PlugDLL created" && created == lines.size()) created = index;
    if (lines[index] == "PlugDLL deleted") deleted = index;
  }
  if (created == lines.size() || deleted == lines.size() || deleted < created) {
    ADD_FAILURE() << "no \"PlugDLL created\" ... \"PlugDLL deleted\" in:\n" << output;
    return std::nullopt;
  }
  std::string document;
  for (std::size_t index = created + 1; index < deleted; ++index) document += lines[index] + "\n";
  nlohmann::json parsed = nlohmann::json::parse(document, nullptr, false);
  if (parsed.is_discarded()) {
    ADD_FAILURE() << "not one JSON document:\n" << document;
    return std::nullopt;
  }
  return parsed;
}

std::string DecodeText(const nlohmann::json& text) {
  if (text.is_string()) return text.get<std::string>();
  EXPECT_TRUE(text.is_object() && text.size() == 1 && text.contains("hex")) << text.dump();
  const std::string hex = text.value("hex", std::string());
  EXPECT_EQ(hex.size() % 2, 0u) << hex;
  std::string bytes;
  for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
  }
  return bytes;
}

std::vector<std::pair<std::string, std::string>> DecodeOptions(const nlohmann::json& document) {
  std::vector<std::pair<std::string, std::string>> options;
  for (const nlohmann::json& option : document.at("options")) {
    options.emplace_back(DecodeText(option.at("name")), DecodeText(option.at("value")));
  }
  return options;
}

std::vector<std::string> DecodeFreeArguments(const nlohmann::json& document) {
  std::vector<std::string> freeArguments;
  for (const nlohmann::json& argument : document.at("free_arguments")) {
    freeArguments.push_back(DecodeText(argument));
  }
  return freeArguments;
}

std::string NulTerminated(const std::vector<std::string>& arguments) {
  std::string bytes;
  for (const std::string& argument : arguments) {
    bytes += argument;
    bytes += '\0';
  }
  return bytes;
}

}  // namespace kel::kelhost::testing
