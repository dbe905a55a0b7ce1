#include "Workload.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace kel::bench {
namespace {

constexpr DeclaredOption kDeclaredOptions[] = {
    {"alpha", true},
    {"output-directory", true},
    {"configuration-file-path", true},
    {"log-level", true},
    {"threads", true},
    {"color-scheme", true},
    {"verbose", false},
    {"dry-run", false},
    {"force", false},
    {"keep-going-after-errors", false},
    {"o", true},
    {"j", true},
    {"v", false},
    {"q", false},
};

// A well-mixed 64-bit value for each argument index (splitmix64's finaliser).
std::uint64_t Mix(std::uint64_t index) noexcept {
  std::uint64_t z = index + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// The declared options of one kind, in table order.
std::vector<const DeclaredOption*> OptionsOfKind(bool isShort, bool takesValue) {
  std::vector<const DeclaredOption*> options;
  for (const DeclaredOption& option : kDeclaredOptions) {
    if (option.IsShort() == isShort && option.takesValue == takesValue) options.push_back(&option);
  }
  return options;
}

const DeclaredOption& Pick(const std::vector<const DeclaredOption*>& options, std::uint64_t bits) {
  return *options[bits % options.size()];
}

// How the command line spells `option` with `value` (empty for an option that takes none):
// "--name=value" or "--name" for a long option, "-nvalue" or "-n" for a short one.
std::string OptionArgument(const DeclaredOption& option, const std::string& value) {
  if (option.IsShort()) return std::string("-") + option.name + value;
  return std::string("--") + option.name + (value.empty() ? "" : "=") + value;
}

constexpr WorkloadKind kWorkloadKinds[] = {WorkloadKind::kMixed, WorkloadKind::kPadded,
                                           WorkloadKind::kTypical};
constexpr const char* kWorkloadIds[] = {"mixed", "padded", "typical"};

// Bytes of the long texts of the padded workload: no '=', so a short option's attached
// value stays one; spaces only inside, never at an end.
constexpr std::string_view kTextBytes =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._- ";
constexpr std::string_view kVisibleBytes = kTextBytes.substr(0, kTextBytes.size() - 1);
constexpr std::string_view kLetters = kTextBytes.substr(0, 52);

// 40 to 200 bytes drawn from `seed`: a letter first, no space at either end.
std::string LongText(std::uint64_t seed) {
  std::uint64_t state = Mix(seed);
  std::string text(40 + state % 161, ' ');
  for (std::size_t index = 0; index < text.size(); ++index) {
    state = Mix(state);
    const bool atEnd = index == 0 || index + 1 == text.size();
    const std::string_view bytes = index == 0 ? kLetters : atEnd ? kVisibleBytes : kTextBytes;
    text[index] = bytes[state % bytes.size()];
  }
  return text;
}

// The arguments of kTypical: name and value of an option, or no name for a free argument.
struct TypicalArgument {
  const char* text;
  const char* name;
  const char* value;
};
constexpr TypicalArgument kTypicalLine[] = {
    {"--configuration-file-path=/etc/bench/settings.conf", "configuration-file-path",
     "/etc/bench/settings.conf"},
    {"--output-directory=build/release", "output-directory", "build/release"},
    {"-j8", "j", "8"},
    {"--log-level=info", "log-level", "info"},
    {"-v", "v", ""},
    {"src/main.cpp", nullptr, nullptr},
    {"--dry-run", "dry-run", ""},
    {"src/command_line/parser.cpp", nullptr, nullptr},
    {"--threads=4", "threads", "4"},
    {"README.md", nullptr, nullptr},
};

}  // namespace

std::span<const WorkloadKind> WorkloadKinds() noexcept {
  return kWorkloadKinds;
}

const char* IdOf(WorkloadKind kind) noexcept {
  return kWorkloadIds[static_cast<std::size_t>(kind)];
}

std::optional<WorkloadKind> WorkloadKindOf(std::string_view id) noexcept {
  for (const WorkloadKind kind : kWorkloadKinds) {
    if (id == IdOf(kind)) return kind;
  }
  return std::nullopt;
}

bool IsPadded(WorkloadKind kind) noexcept {
  return kind == WorkloadKind::kPadded;
}

bool DeclaredOption::IsShort() const noexcept {
  return std::strlen(name) == 1;
}

std::span<const DeclaredOption> DeclaredOptions() noexcept {
  return kDeclaredOptions;
}

void SortDistinct(std::vector<std::string>& texts) {
  std::sort(texts.begin(), texts.end());
  texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
}

Workload::Workload(WorkloadKind kind, std::size_t count) : kind_(kind) {
  arguments_.reserve(count + 1);
  arguments_.emplace_back("bench");
  switch (kind) {
    case WorkloadKind::kMixed:
      MakeMixed(count);
      break;
    case WorkloadKind::kPadded:
      MakePadded(count);
      break;
    case WorkloadKind::kTypical:
      MakeTypical(count);
      break;
  }
  SortDistinct(expected_.freeArguments);

  argv_.reserve(arguments_.size() + 1);
  for (const std::string& argument : arguments_) argv_.push_back(argument.c_str());
  argv_.push_back(nullptr);
}

void Workload::AddOption(std::string argument, const std::string& name, const std::string& value) {
  arguments_.push_back(std::move(argument));
  expected_.options[name] = value;
}

void Workload::MakeMixed(std::size_t count) {
  const auto longWithValue = OptionsOfKind(false, true);
  const auto longFlags = OptionsOfKind(false, false);
  const auto shortWithValue = OptionsOfKind(true, true);
  const auto shortFlags = OptionsOfKind(true, false);
  const std::uint64_t freeNames = count / 4 + 1;
  for (std::uint64_t index = 0; index < count; ++index) {
    const std::uint64_t bits = Mix(index);
    const std::uint64_t kind = bits % 20;
    const std::uint64_t choice = bits >> 8;
    const std::string value = "value-" + std::to_string((bits >> 24) % 1000);
    if (kind < 11) {
      const DeclaredOption& option = Pick(kind < 5   ? longWithValue
                                          : kind < 7 ? longFlags
                                          : kind < 9 ? shortWithValue
                                                     : shortFlags,
                                          choice);
      const std::string optionValue = option.takesValue ? value : "";
      AddOption(OptionArgument(option, optionValue), option.name, optionValue);
    } else if (kind < 18) {
      arguments_.push_back("file-" + std::to_string(choice % freeNames) + ".dat");
      expected_.freeArguments.push_back(arguments_.back());
    } else if (kind == 18) {
      arguments_.push_back("--" + std::to_string(choice % 10) + "rd-party");
    } else {
      arguments_.emplace_back("-kx=y");
    }
  }
}

void Workload::MakePadded(std::size_t count) {
  const auto longWithValue = OptionsOfKind(false, true);
  const auto longFlags = OptionsOfKind(false, false);
  const auto shortWithValue = OptionsOfKind(true, true);
  const std::uint64_t freeTexts = count / 8 + 1;
  constexpr std::uint64_t kFreeTextSeeds = 1ull << 40;  // apart from the values' seeds
  for (std::uint64_t index = 0; index < count; ++index) {
    const std::uint64_t bits = Mix(index);
    const std::uint64_t kind = bits % 20;
    const std::uint64_t choice = bits >> 8;
    const std::string before((bits >> 5) % 4, ' ');
    const std::string after((bits >> 7) % 4, ' ');
    if (kind < 6) {
      const DeclaredOption& option = Pick(longWithValue, choice);
      const std::string value = LongText(index);
      AddOption(before + "--" + option.name + "=" + value + after, option.name, value);
    } else if (kind < 8) {
      const DeclaredOption& option = Pick(longFlags, choice);
      AddOption(before + "--" + option.name + after, option.name, "");
    } else if (kind < 10) {
      const DeclaredOption& option = Pick(shortWithValue, choice);
      const std::string value = LongText(index);
      const char* const separator = kind == 8 ? "" : "=";
      AddOption(before + "-" + option.name + separator + value + after, option.name, value);
    } else if (kind < 17) {
      const std::string text = LongText(kFreeTextSeeds + choice % freeTexts);
      arguments_.push_back(before + text + after);
      expected_.freeArguments.push_back(text);
    } else {
      constexpr const char* kDropped[] = {"", "--", "-", "--alpha=", "-ab=c", "--9x"};
      arguments_.push_back(before + kDropped[choice % std::size(kDropped)] + after);
    }
  }
}

void Workload::MakeTypical(std::size_t count) {
  for (std::size_t index = 0; index < count; ++index) {
    const TypicalArgument& argument = kTypicalLine[index % std::size(kTypicalLine)];
    const std::size_t repeat = index / std::size(kTypicalLine);
    if (argument.name != nullptr) {
      AddOption(argument.text, argument.name, argument.value);
    } else {
      arguments_.push_back(repeat == 0 ? std::string(argument.text)
                                       : "r" + std::to_string(repeat) + "/" + argument.text);
      expected_.freeArguments.push_back(arguments_.back());
    }
  }
}

}  // namespace kel::bench
