// parse_bench: Parse of every parser on each workload at each argument count, and the calls
// a host makes on a result. Before measuring, it checks that the parsers agree on what the
// workload means and that the allocation counter sees the module's allocations; either
// failure ends it with status 1.
//
//   parse_bench [--max_arguments=N] [benchmark flags]
//
// --max_arguments leaves out the larger counts (for a quick run); by default all run.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>

#include "AgreementCheck.h"
#include "AllocationCounter.h"
#include "BenchParser.h"
#include "ParseBenchmarks.h"
#include "PluginSession.h"
#include "QueryBenchmarks.h"

namespace {

using namespace kel::bench;

constexpr std::string_view kMaxArgumentsFlag = "--max_arguments=";
// Large enough for every shape and for repeats of options and free arguments.
constexpr std::size_t kAgreementArgumentCount = 200;

// Takes this program's own flags out of argv; the rest are the benchmark library's.
std::size_t TakeMaxArguments(int& argc, char** argv) {
  std::size_t maxArguments = 1'000'000;
  int kept = 1;
  for (int index = 1; index < argc; ++index) {
    const std::string_view argument = argv[index];
    if (argument.starts_with(kMaxArgumentsFlag)) {
      maxArguments = std::stoul(std::string(argument.substr(kMaxArgumentsFlag.size())));
    } else {
      argv[kept++] = argv[index];
    }
  }
  argc = kept;
  return maxArguments;
}

// A Parse makes at least its new result. Seeing no allocation would mean the module does
// not call this executable's allocation functions, and every count would read zero.
bool ModuleAllocationsCounted(ICommandLineParametersParser& parser) {
  const char* const argv[] = {"bench", "--name=value", nullptr};
  if (AllocationsDuring([&] { parser.Parse(2, argv); }) > 0) return true;
  std::cerr << "parse_bench: no allocation counted in the module's Parse\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::size_t maxArguments = TakeMaxArguments(argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  try {
    const PluginSession module = PluginSession::LoadModuleFile(KEL_MODULE_PATH);
    const PluginSession linkedIn = PluginSession::LinkedIn();
    std::vector<NamedParser> parsers = MakeParsers(module.Parser(), linkedIn.Parser());
    for (const WorkloadKind kind : WorkloadKinds()) {
      if (!ParsersAgree(parsers, Workload(kind, kAgreementArgumentCount), std::cerr)) return 1;
    }
    if (!ModuleAllocationsCounted(module.Parser())) return 1;
    RegisterParseBenchmarks(parsers, ArgumentCounts(maxArguments));
    RegisterQueryBenchmarks(module.Parser());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  } catch (const std::exception& error) {
    std::cerr << "parse_bench: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
