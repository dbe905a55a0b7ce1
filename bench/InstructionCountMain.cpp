// bench_instructions: one parser's Parse, repeated, with callgrind collecting only the
// repeats, so that the instruction total divided by repetitions and arguments is the cost
// per argument. Without valgrind it just parses.
//
//   valgrind --tool=callgrind --instr-atstart=no --collect-atstart=no
//       bench_instructions PARSER ARGUMENTS REPETITIONS [WORKLOAD]
//
// PARSER is an id of MakeParsers: floor, trim-floor, module, in-process, getopt, cxxopts,
// cli11, boost. WORKLOAD is mixed (the default), padded or typical.
// Prints "parser: " and the parser's label when done.
#include <valgrind/callgrind.h>

#include <cstddef>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

#include "BenchParser.h"
#include "PluginSession.h"

namespace {

using namespace kel::bench;

void Measure(BenchParser& parser, const Workload& workload, std::size_t repetitions) {
  // Outside the measurement: lazily bound symbols get bound, the allocator reaches its
  // steady state, and a result of the measured size is left for the first repeat to replace.
  for (int warmUp = 0; warmUp < 2; ++warmUp) parser.Parse(workload.Argc(), workload.Argv());
  CALLGRIND_START_INSTRUMENTATION;
  CALLGRIND_TOGGLE_COLLECT;
  for (std::size_t repetition = 0; repetition < repetitions; ++repetition) {
    parser.Parse(workload.Argc(), workload.Argv());
  }
  CALLGRIND_TOGGLE_COLLECT;
  CALLGRIND_STOP_INSTRUMENTATION;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::cerr << "usage: bench_instructions PARSER ARGUMENTS REPETITIONS [WORKLOAD]\n";
    return 2;
  }
  try {
    const std::string id = argv[1];
    const std::size_t count = std::stoul(argv[2]);
    const std::size_t repetitions = std::stoul(argv[3]);
    const std::optional<WorkloadKind> kind =
        argc == 5 ? WorkloadKindOf(argv[4]) : WorkloadKind::kMixed;
    if (!kind) {
      std::cerr << "bench_instructions: no workload \"" << argv[4] << "\"\n";
      return 2;
    }
    const Workload workload(*kind, count);
    const PluginSession module = PluginSession::LoadModuleFile(KEL_MODULE_PATH);
    const PluginSession linkedIn = PluginSession::LinkedIn();
    std::vector<NamedParser> parsers = MakeParsers(module.Parser(), linkedIn.Parser());
    for (NamedParser& named : parsers) {
      if (named.id != id) continue;
      if (!named.Reads(*kind)) {
        std::cerr << "bench_instructions: " << named.label << " does not trim spaces\n";
        return 2;
      }
      Measure(*named.parser, workload, repetitions);
      std::cout << "parser: " << named.label << std::endl;
      return 0;
    }
    std::cerr << "bench_instructions: no parser \"" << id << "\"\n";
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "bench_instructions: " << error.what() << '\n';
    return 1;
  }
}
