// The command line every parser of the comparison reads, and what it must make of it.
#pragma once

#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace kel::bench {

// One option the workload uses, as the other parsers are told it: a one-letter name is a
// short option ("-o"), a longer one a long option ("--alpha"). No name is a prefix of
// another, so parsers that accept abbreviations cannot read one option as another.
struct DeclaredOption {
  const char* name;
  bool takesValue;

  bool IsShort() const noexcept;
};

std::span<const DeclaredOption> DeclaredOptions() noexcept;

// What a program needs from a command line: the last value of each option given (empty for
// an option without a value) and the free arguments, each once, in byte order. Arguments
// the grammar drops leave no trace.
struct ParsedCommandLine {
  std::map<std::string, std::string> options;
  std::vector<std::string> freeArguments;

  bool operator==(const ParsedCommandLine&) const = default;
};

// Sorts `texts` in byte order and removes the repeats.
void SortDistinct(std::vector<std::string>& texts);

// A deterministic mix of `count` arguments after argv[0]: long options with a value (25%)
// and without (10%), short options with an attached value (10%) and without (10%), free
// arguments drawn from count / 4 + 1 names so that many repeat (35%), and arguments every
// parser here drops (10%: "--" followed by a digit, and "-" with several letters and an
// '='). Options repeat with changing values, so the last one given must win. No argument
// has spaces to trim, so every parser reads the same text. Argument i depends only on i
// and `count`.
class Workload {
 public:
  explicit Workload(std::size_t count);

  Workload(const Workload&) = delete;
  Workload& operator=(const Workload&) = delete;

  std::size_t Count() const noexcept { return arguments_.size() - 1; }
  int Argc() const noexcept { return static_cast<int>(arguments_.size()); }
  // argv[0] to argv[argc - 1], then a null pointer; valid as long as this object.
  const char* const* Argv() const noexcept { return argv_.data(); }
  // The outcome the grammar defines for these arguments, worked out as they were made.
  const ParsedCommandLine& Expected() const noexcept { return expected_; }

 private:
  std::vector<std::string> arguments_;
  std::vector<const char*> argv_;
  ParsedCommandLine expected_;
};

}  // namespace kel::bench
