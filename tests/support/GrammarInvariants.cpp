#include "GrammarInvariants.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string_view>

namespace {

std::string_view TrimmedText(std::string_view s) {
  s.remove_prefix(std::min(s.find_first_not_of(' '), s.size()));
  return s.substr(0, s.find_last_not_of(' ') + 1);
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool HasEquals(std::string_view s) {
  return s.find('=') != std::string_view::npos;
}

// `bytes` with every byte outside printable ASCII written as \xHH, for messages.
std::string Printable(const std::string& bytes) {
  std::string shown;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
    shown += byte >= 0x20 && byte < 0x7F && c != '\\' && c != '"' ? std::string(1, c) : escaped;
  }
  return shown;
}

using TextSet = std::set<std::string, std::less<>>;

// What is wrong with the option `name` = `value`, whose setting must be read off one trimmed
// argument: "--N", "--N=V", or for a one-byte name "-NV" without '=' or "-N=V".
std::string CheckOption(const TextSet& trimmed, const std::string& name, const std::string& value) {
  const std::string shown = "option \"" + Printable(name) + "\"=\"" + Printable(value) + "\": ";
  if (name.empty() || !IsAsciiLetter(name.front())) return shown + "name must begin with a letter";
  if (HasEquals(name)) return shown + "name holds '='";
  if (!value.empty() && value.back() == ' ') return shown + "value ends with a space";
  const std::string setting = value.empty() ? name : name + "=" + value;
  const bool derivable =
      trimmed.contains("--" + setting) ||
      (name.size() == 1 && ((!HasEquals(value) && trimmed.contains("-" + name + value)) ||
                            (!value.empty() && trimmed.contains("-" + setting))));
  return derivable ? "" : shown + "comes from no argument";
}

std::string CheckFreeArgument(const TextSet& trimmed, const std::string& text) {
  const std::string shown = "free argument \"" + Printable(text) + "\": ";
  if (text.empty()) return shown + "empty";
  if (text.front() == ' ' || text.front() == '-') return shown + "begins with ' ' or '-'";
  if (text.back() == ' ') return shown + "ends with a space";
  return trimmed.contains(text) ? "" : shown + "is no trimmed argument";
}

// Shapes whose name is fixed by the argument alone, whatever else stands on the command line.
std::string CheckNothingLost(std::string_view t, const OptionMap& options,
                             const FreeArgumentSet& freeArguments) {
  const std::string shown = "argument \"" + Printable(std::string(t)) + "\": ";
  if (!t.empty() && t[0] != '-' &&
      !std::binary_search(freeArguments.begin(), freeArguments.end(), t))
    return shown + "free text lost";
  if (t.size() < 2 || t[0] != '-' || HasEquals(t)) return {};
  if (IsAsciiLetter(t[1]) && !options.contains(t.substr(1, 1))) return shown + "short name lost";
  const bool isLong = t.size() >= 3 && t[1] == '-' && IsAsciiLetter(t[2]);
  return isLong && !options.contains(t.substr(2)) ? shown + "long name lost" : "";
}

}  // namespace

std::string FindGrammarViolation(const std::vector<std::string>& arguments,
                                 const OptionMap& options, const FreeArgumentSet& freeArguments) {
  TextSet trimmed;
  for (const std::string& argument : arguments) trimmed.emplace(TrimmedText(argument));
  std::string violation;
  for (auto option = options.begin(); violation.empty() && option != options.end(); ++option) {
    violation = CheckOption(trimmed, std::string(option->first), std::string(option->second));
  }
  for (auto text = freeArguments.begin(); violation.empty() && text != freeArguments.end();
       ++text) {
    violation = CheckFreeArgument(trimmed, std::string(*text));
  }
  for (auto text = trimmed.begin(); violation.empty() && text != trimmed.end(); ++text) {
    violation = CheckNothingLost(*text, options, freeArguments);
  }
  return violation;
}

std::vector<std::size_t> FreeArgumentPositions(const std::vector<std::string>& arguments) {
  std::vector<std::size_t> positions;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view t = TrimmedText(arguments[i]);
    if (!t.empty() && t.front() != '-') positions.push_back(i);
  }
  return positions;
}
