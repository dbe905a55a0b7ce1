#include "Workload.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

}  // namespace

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

Workload::Workload(std::size_t count) {
  const auto longWithValue = OptionsOfKind(false, true);
  const auto longFlags = OptionsOfKind(false, false);
  const auto shortWithValue = OptionsOfKind(true, true);
  const auto shortFlags = OptionsOfKind(true, false);
  const std::uint64_t freeNames = count / 4 + 1;

  arguments_.reserve(count + 1);
  arguments_.emplace_back("bench");
  std::vector<std::string> freeArguments;
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
      arguments_.push_back(OptionArgument(option, optionValue));
      expected_.options[option.name] = optionValue;
    } else if (kind < 18) {
      arguments_.push_back("file-" + std::to_string(choice % freeNames) + ".dat");
      freeArguments.push_back(arguments_.back());
    } else if (kind == 18) {
      arguments_.push_back("--" + std::to_string(choice % 10) + "rd-party");
    } else {
      arguments_.emplace_back("-kx=y");
    }
  }
  SortDistinct(freeArguments);
  expected_.freeArguments = std::move(freeArguments);

  argv_.reserve(arguments_.size() + 1);
  for (const std::string& argument : arguments_) argv_.push_back(argument.c_str());
  argv_.push_back(nullptr);
}

}  // namespace kel::bench
