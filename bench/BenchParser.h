// One command-line parser as the benchmarks drive it: told the workload's options once,
// then asked to parse command lines again and again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Workload.h"

class ICommandLineParametersParser;

namespace kel::bench {

class BenchParser {
 public:
  virtual ~BenchParser() = default;

  // Parses arguments 1 to argc - 1 into a new outcome, owned by this object, that replaces
  // the previous one: the last value of each option and the free arguments, each once, in
  // byte order, kept the way this parser keeps them. argv[argc] is null.
  virtual void Parse(int argc, const char* const* argv) = 0;
  // The outcome of the last Parse, read back; nullopt for a baseline that does not parse.
  virtual std::optional<ParsedCommandLine> Outcome() = 0;
};

struct NamedParser {
  std::string id;     // for command lines and benchmark names: "module", "getopt", ...
  std::string label;  // for tables: "ours, module file", "glibc getopt_long", ...
  std::unique_ptr<BenchParser> parser;
  // The largest argument count worth measuring: less only where a parse takes minutes.
  std::size_t maxArguments = SIZE_MAX;
  // Whether it reads arguments with spaces to trim as the grammar does (the padded
  // workload); the baselines, which do not parse, read every workload.
  bool trimsSpaces = false;

  bool Reads(WorkloadKind kind) const noexcept { return trimsSpaces || !IsPadded(kind); }
};

// Copies the arguments into strings and nothing else: what any parser costs at least.
std::unique_ptr<BenchParser> MakeCopyFloor();
// Trims the spaces at both ends of each argument and copies what is left into a string:
// what a parser of this grammar costs at least, since it must trim.
std::unique_ptr<BenchParser> MakeTrimCopyFloor();
// The plug-in's parsing interface; `parser` must outlive the returned object.
std::unique_ptr<BenchParser> MakePluginParser(ICommandLineParametersParser& parser);
std::unique_ptr<BenchParser> MakeGetoptParser();
std::unique_ptr<BenchParser> MakeCxxoptsParser();
std::unique_ptr<BenchParser> MakeCli11Parser();
std::unique_ptr<BenchParser> MakeBoostParser();

// Every parser of the comparison, the two floors first and ours next: ours through the module
// file (`moduleParser`) and linked in (`inProcessParser`), both borrowed and required to
// outlive the result.
std::vector<NamedParser> MakeParsers(ICommandLineParametersParser& moduleParser,
                                     ICommandLineParametersParser& inProcessParser);

}  // namespace kel::bench
