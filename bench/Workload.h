// The command lines every parser of the comparison reads, and what each must make of them.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kel::bench {

// One option the workloads use, as the other parsers are told it: a one-letter name is a
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

// The kinds of command line measured. Every kind is deterministic: argument i depends only
// on i and the argument count.
//
// kMixed ("mixed"): long options with a value (25%) and without (10%), short options with
// an attached value (10%) and without (10%), free arguments drawn from count / 4 + 1 names
// so that many repeat (35%), and arguments every parser here drops (10%: "--" followed by a
// digit, and "-" with several letters and an '='). Short values, no spaces to trim.
//
// kPadded ("padded"): every argument has 0 to 3 spaces before and after it; values and free
// arguments are 40 to 200 bytes long. Long options with a value (30%) and without (10%) from
// six names, short options with a value (10%), free arguments drawn from count / 8 + 1
// texts (35%), and dropped shapes (15%: blank, "--", "-", "--name=", "-ab=c", "--9x").
// Only parsers that trim read it.
//
// kTypical ("typical"): the 10 arguments a real program gets: five options with values, two
// flags, three free arguments, no repeats. Longer lines repeat these 10, every repeat with
// free arguments of its own.
enum class WorkloadKind { kMixed, kPadded, kTypical };

std::span<const WorkloadKind> WorkloadKinds() noexcept;
const char* IdOf(WorkloadKind kind) noexcept;
std::optional<WorkloadKind> WorkloadKindOf(std::string_view id) noexcept;
// Whether its arguments have spaces to trim, which only some parsers do.
bool IsPadded(WorkloadKind kind) noexcept;

class Workload {
 public:
  Workload(WorkloadKind kind, std::size_t count);

  Workload(const Workload&) = delete;
  Workload& operator=(const Workload&) = delete;

  WorkloadKind Kind() const noexcept { return kind_; }
  std::size_t Count() const noexcept { return arguments_.size() - 1; }
  int Argc() const noexcept { return static_cast<int>(arguments_.size()); }
  // argv[0] to argv[argc - 1], then a null pointer; valid as long as this object.
  const char* const* Argv() const noexcept { return argv_.data(); }
  // The outcome the grammar defines for these arguments, worked out as they were made.
  const ParsedCommandLine& Expected() const noexcept { return expected_; }

 private:
  void MakeMixed(std::size_t count);
  void MakePadded(std::size_t count);
  void MakeTypical(std::size_t count);
  void AddOption(std::string argument, const std::string& name, const std::string& value);

  WorkloadKind kind_;
  std::vector<std::string> arguments_;
  std::vector<const char*> argv_;
  ParsedCommandLine expected_;
};

}  // namespace kel::bench
