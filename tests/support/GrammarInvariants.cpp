#include "GrammarInvariants.h"

#include <cstdio>
#include <set>
#include <string_view>

namespace {

std::string_view TrimmedText(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool HasEquals(std::string_view s) {
  return s.find('=') != std::string_view::npos;
}

using TextSet = std::set<std::string, std::less<>>;

// Whether some argument, once trimmed, is one of the forms that set `name` to `value`.
bool IsDerivable(const TextSet& trimmed, const std::string& name, const std::string& value) {
  if (value.empty() && trimmed.contains("--" + name)) return true;
  if (!value.empty() && trimmed.contains("--" + name + "=" + value)) return true;
  if (name.size() != 1) return false;
  if (!HasEquals(value) && trimmed.contains("-" + name + value)) return true;
  return !value.empty() && trimmed.contains("-" + name + "=" + value);
}

std::string CheckOption(const TextSet& trimmed, const std::string& name, const std::string& value) {
  const std::string shown = "option \"" + Printable(name) + "\"=\"" + Printable(value) + "\"";
  if (name.empty() || !IsAsciiLetter(name.front())) {
    return shown + ": name must begin with a letter";
  }
  if (HasEquals(name)) return shown + ": name holds '='";
  if (!value.empty() && value.back() == ' ') return shown + ": value ends with a space";
  if (!IsDerivable(trimmed, name, value)) return shown + ": comes from no argument";
  return {};
}

std::string CheckFreeArgument(const TextSet& trimmed, const std::string& text) {
  const std::string shown = "free argument \"" + Printable(text) + "\"";
  if (text.empty()) return shown + ": empty";
  if (text.front() == ' ' || text.front() == '-') return shown + ": begins with ' ' or '-'";
  if (text.back() == ' ') return shown + ": ends with a space";
  if (!trimmed.contains(text)) return shown + ": is no trimmed argument";
  return {};
}

// Shapes whose name is fixed by the argument alone, whatever else stands on the command line.
std::string CheckNothingLost(std::string_view t, const OptionMap& options,
                             const FreeArgumentSet& freeArguments) {
  const std::string shown = "argument \"" + Printable(std::string(t)) + "\"";
  if (t.empty()) return {};
  if (t[0] != '-') return freeArguments.contains(t) ? "" : shown + ": free argument missing";
  if (HasEquals(t)) return {};
  if (t.size() >= 2 && t[1] != '-' && IsAsciiLetter(t[1]) && !options.contains(t.substr(1, 1))) {
    return shown + ": short option name missing";
  }
  if (t.size() >= 3 && t[1] == '-' && IsAsciiLetter(t[2]) && !options.contains(t.substr(2))) {
    return shown + ": long option name missing";
  }
  return {};
}

}  // namespace

std::string FindGrammarViolation(const std::vector<std::string>& arguments,
                                 const OptionMap& options, const FreeArgumentSet& freeArguments) {
  TextSet trimmed;
  for (const std::string& argument : arguments) trimmed.emplace(TrimmedText(argument));
  for (const auto& [name, value] : options) {
    if (std::string violation = CheckOption(trimmed, std::string(name), std::string(value));
        !violation.empty()) {
      return violation;
    }
  }
  for (const std::string_view text : freeArguments) {
    if (std::string violation = CheckFreeArgument(trimmed, std::string(text)); !violation.empty()) {
      return violation;
    }
  }
  for (const std::string& text : trimmed) {
    if (std::string violation = CheckNothingLost(text, options, freeArguments);
        !violation.empty()) {
      return violation;
    }
  }
  return {};
}

std::vector<std::size_t> FreeArgumentPositions(const std::vector<std::string>& arguments) {
  std::vector<std::size_t> positions;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view t = TrimmedText(arguments[i]);
    if (!t.empty() && t.front() != '-') positions.push_back(i);
  }
  return positions;
}

std::string Printable(const std::string& bytes) {
  std::string shown;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '\\' && c != '"') {
      shown.push_back(c);
      continue;
    }
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
    shown += escaped;
  }
  return shown;
}
