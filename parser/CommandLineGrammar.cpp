#include "CommandLineGrammar.h"

#include <cctype>
#include <cstddef>

namespace {

// Current locale, never set here; the cast keeps bytes 0x80 and above out of negative values.
bool IsLetter(char c) noexcept {
  return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

ArgumentClassification Make(ArgumentShape shape, std::string_view text, std::string_view name = {},
                            std::string_view value = {}) noexcept {
  return {shape, static_cast<int>(shape) + 1, text, name, value};
}

// Every argument that begins with "--". s[2] is a letter once the first two checks pass, so
// the search for '=' starts at index 3 and a long option's name is never empty.
ArgumentClassification ClassifyLong(std::string_view s) noexcept {
  if (s.size() == 2) return Make(ArgumentShape::kDoubleDashAlone, s);
  if (!IsLetter(s[2])) return Make(ArgumentShape::kLongWithoutLetter, s);
  const std::size_t equals = s.find('=', 3);
  if (equals == std::string_view::npos) {
    return Make(ArgumentShape::kLongOption, s, s.substr(2), s.substr(s.size()));
  }
  if (equals + 1 == s.size()) return Make(ArgumentShape::kLongWithTrailingEquals, s);
  return Make(ArgumentShape::kLongOptionWithValue, s, s.substr(2, equals - 2),
              s.substr(equals + 1));
}

// Every other argument that begins with '-'; s[1] is not '-'.
ArgumentClassification ClassifyShort(std::string_view s) noexcept {
  if (s.size() == 1) return Make(ArgumentShape::kDashAlone, s);
  if (!IsLetter(s[1])) return Make(ArgumentShape::kShortWithoutLetter, s);
  const std::size_t equals = s.find('=', 2);
  if (equals == std::string_view::npos) {
    return Make(ArgumentShape::kShortOption, s, s.substr(1, 1), s.substr(2));
  }
  if (equals != 2 || s.size() == 3) return Make(ArgumentShape::kShortWithMisplacedEquals, s);
  return Make(ArgumentShape::kShortOptionWithEquals, s, s.substr(1, 1), s.substr(3));
}

}  // namespace

bool ArgumentClassification::IsOption() const noexcept {
  return shape == ArgumentShape::kLongOption || shape == ArgumentShape::kLongOptionWithValue ||
         shape == ArgumentShape::kShortOption || shape == ArgumentShape::kShortOptionWithEquals;
}

bool ArgumentClassification::IsFreeArgument() const noexcept {
  return shape == ArgumentShape::kFreeArgument;
}

std::string_view TrimSpaces(std::string_view argument) noexcept {
  const std::size_t first = argument.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = argument.find_last_not_of(' ');
  return argument.substr(first, last - first + 1);
}

ArgumentClassification ClassifyArgument(std::string_view trimmed) noexcept {
  if (trimmed.empty()) return Make(ArgumentShape::kEmpty, trimmed);
  if (trimmed[0] != '-') return Make(ArgumentShape::kFreeArgument, trimmed);
  if (trimmed.size() >= 2 && trimmed[1] == '-') return ClassifyLong(trimmed);
  return ClassifyShort(trimmed);
}

// Per argument: its length is found, its ends are trimmed and its first '=' is searched
// once, and a view of what it contributes is appended; nothing is copied. One sort of each
// collection at the end (n log n) orders it and settles later-wins and duplicates.
void SplitCommandLine(std::int32_t argc, const char* const* argv, OptionMap& options,
                      FreeArgumentSet& freeArguments) {
  options.Clear();
  freeArguments.Clear();
  if (argc <= 1) return;
  options.Reserve(static_cast<std::size_t>(argc - 1));
  freeArguments.Reserve(static_cast<std::size_t>(argc - 1));
  for (std::int32_t i = 1; i < argc; ++i) {
    const ArgumentClassification argument = ClassifyArgument(TrimSpaces(argv[i]));
    if (argument.IsOption()) options.Set(argument.name, argument.value);
    if (argument.IsFreeArgument()) freeArguments.Insert(argument.text);
  }
  options.Seal();
  freeArguments.Seal();
}
