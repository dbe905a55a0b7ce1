#include "CommandLineGrammar.h"

#include <cctype>
#include <cstddef>
#include <memory>
#include <span>

namespace {

// The split runs the classification in line for every argument; the functions below are
// its one definition, also behind the public TrimSpaces and ClassifyArgument.
#define KEL_IN_LINE [[gnu::always_inline]] inline

// Current locale, never set here; the cast keeps bytes 0x80 and above out of negative values.
// Every locale classes the bytes below 0x80 alike (A-Z and a-z are its only letters there),
// so only the others are looked up.
KEL_IN_LINE bool IsLetter(char c) noexcept {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 0x80) return static_cast<unsigned char>((byte | 0x20) - 'a') < 26;
  return std::isalpha(byte) != 0;
}

// s[from, from + count) and s[from, end): the callers have checked the bounds.
KEL_IN_LINE std::string_view Slice(std::string_view s, std::size_t from,
                                   std::size_t count) noexcept {
  return {s.data() + from, count};
}
KEL_IN_LINE std::string_view Tail(std::string_view s, std::size_t from) noexcept {
  return {s.data() + from, s.size() - from};
}

KEL_IN_LINE ArgumentClassification Make(ArgumentShape shape, std::string_view text,
                                        std::string_view name = {},
                                        std::string_view value = {}) noexcept {
  return {shape, static_cast<int>(shape) + 1, text, name, value};
}

// Every argument that begins with "--". s[2] is a letter once the first two checks pass, so
// the search for '=' starts at index 3 and a long option's name is never empty.
KEL_IN_LINE ArgumentClassification ClassifyLong(std::string_view s) noexcept {
  if (s.size() == 2) return Make(ArgumentShape::kDoubleDashAlone, s);
  if (!IsLetter(s[2])) return Make(ArgumentShape::kLongWithoutLetter, s);
  const std::size_t equals = s.find('=', 3);
  if (equals == std::string_view::npos) {
    return Make(ArgumentShape::kLongOption, s, Tail(s, 2), Tail(s, s.size()));
  }
  if (equals + 1 == s.size()) return Make(ArgumentShape::kLongWithTrailingEquals, s);
  return Make(ArgumentShape::kLongOptionWithValue, s, Slice(s, 2, equals - 2), Tail(s, equals + 1));
}

// Every other argument that begins with '-'; s[1] is not '-'.
KEL_IN_LINE ArgumentClassification ClassifyShort(std::string_view s) noexcept {
  if (s.size() == 1) return Make(ArgumentShape::kDashAlone, s);
  if (!IsLetter(s[1])) return Make(ArgumentShape::kShortWithoutLetter, s);
  const std::size_t equals = s.find('=', 2);
  if (equals == std::string_view::npos) {
    return Make(ArgumentShape::kShortOption, s, Slice(s, 1, 1), Tail(s, 2));
  }
  if (equals != 2 || s.size() == 3) return Make(ArgumentShape::kShortWithMisplacedEquals, s);
  return Make(ArgumentShape::kShortOptionWithEquals, s, Slice(s, 1, 1), Tail(s, 3));
}

KEL_IN_LINE std::string_view Trim(std::string_view argument) noexcept {
  std::size_t first = 0;
  std::size_t end = argument.size();
  while (first < end && argument[first] == ' ') ++first;
  while (end > first && argument[end - 1] == ' ') --end;
  return Slice(argument, first, end - first);
}

KEL_IN_LINE ArgumentClassification Classify(std::string_view trimmed) noexcept {
  if (trimmed.empty()) return Make(ArgumentShape::kEmpty, trimmed);
  if (trimmed[0] != '-') return Make(ArgumentShape::kFreeArgument, trimmed);
  if (trimmed.size() >= 2 && trimmed[1] == '-') return ClassifyLong(trimmed);
  return ClassifyShort(trimmed);
}

#undef KEL_IN_LINE

}  // namespace

bool ArgumentClassification::IsOption() const noexcept {
  return shape == ArgumentShape::kLongOption || shape == ArgumentShape::kLongOptionWithValue ||
         shape == ArgumentShape::kShortOption || shape == ArgumentShape::kShortOptionWithEquals;
}

bool ArgumentClassification::IsFreeArgument() const noexcept {
  return shape == ArgumentShape::kFreeArgument;
}

std::string_view TrimSpaces(std::string_view argument) noexcept {
  return Trim(argument);
}

ArgumentClassification ClassifyArgument(std::string_view trimmed) noexcept {
  return Classify(trimmed);
}

std::size_t CommandLineSplit::StorageWords(std::int32_t argc) noexcept {
  if (argc <= 1) return 0;
  const auto count = static_cast<std::size_t>(argc - 1);
  const std::size_t bytes = count * (sizeof(OptionEntry) + sizeof(std::string_view)) +
                            SealingSlots(count) * sizeof(std::uint32_t);
  return (bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t);
}

CommandLineSplit::Storage::Storage(std::size_t words)
    : count_(words),
      words_(words == 0 ? nullptr : std::allocator<std::uint64_t>().allocate(words)) {}

CommandLineSplit::Storage::~Storage() {
  if (words_ != nullptr) std::allocator<std::uint64_t>().deallocate(words_, count_);
}

// Per argument: its length is found, its ends are trimmed and its first '=' is searched
// once, and a view of what it contributes is written; nothing is copied. Options fill the
// block's array from the front, free arguments their own array from the front, and one
// table behind both finds the repeats of each in turn. Sealing each collection at the end
// (expected linear, then one sort of what is distinct: n log n) settles later-wins and
// duplicates.
CommandLineSplit::CommandLineSplit(std::int32_t argc, const char* const* argv)
    : storage_(StorageWords(argc)) {
  if (argc <= 1) return;
  const auto count = static_cast<std::size_t>(argc - 1);
  const std::size_t slotCount = SealingSlots(count);
  auto* const options = reinterpret_cast<OptionEntry*>(storage_.Data());
  auto* const freeArguments = reinterpret_cast<std::string_view*>(options + count);
  auto* const slots = reinterpret_cast<std::uint32_t*>(freeArguments + count);

  std::size_t optionCount = 0;
  std::size_t freeCount = 0;
  for (std::int32_t i = 1; i < argc; ++i) {
    const ArgumentClassification argument = Classify(Trim(argv[i]));
    if (argument.IsOption()) {
      std::construct_at(options + optionCount++, argument.name, argument.value);
    } else if (argument.IsFreeArgument()) {
      std::construct_at(freeArguments + freeCount++, argument.text);
    }
  }
  const std::span<std::uint32_t> table(slots, slotCount);
  options_ = OptionMap(
      std::span<const OptionEntry>(options, SealOptions(std::span(options, optionCount), table)));
  freeArguments_ = FreeArgumentSet(SealFreeArguments(std::span(freeArguments, freeCount), table));
}
