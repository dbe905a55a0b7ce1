// Cost of splitting a command line, by argument count and by argument length: the split
// should grow as n log n in the number of arguments and linearly in their bytes.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "CommandLineGrammar.h"

namespace {

// A command line mixing every shape: long and short options (with repeats), free arguments
// (with duplicates) and arguments that are dropped.
std::vector<std::string> MakeArguments(std::size_t count, std::size_t padding) {
  const std::string pad(padding, 'x');
  std::vector<std::string> arguments{"program"};
  for (std::size_t i = 0; arguments.size() <= count; ++i) {
    const std::string n = std::to_string(i % (count / 4 + 1));
    arguments.push_back("--option" + n + "=" + pad);
    arguments.push_back("-v" + pad);
    arguments.push_back("  free" + n + pad + "  ");
    arguments.push_back("-5");
  }
  arguments.resize(count + 1);
  return arguments;
}

void Split(benchmark::State& state, std::size_t count, std::size_t padding) {
  const std::vector<std::string> arguments = MakeArguments(count, padding);
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  std::size_t bytes = 0;
  for (const std::string& argument : arguments) bytes += argument.size();
  for (auto _ : state) {
    const CommandLineSplit split(static_cast<std::int32_t>(argv.size()), argv.data());
    benchmark::DoNotOptimize(split.Options().size());
    benchmark::DoNotOptimize(split.FreeArguments().size());
  }
  state.SetComplexityN(static_cast<benchmark::IterationCount>(count));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_SplitByArgumentCount(benchmark::State& state) {
  Split(state, static_cast<std::size_t>(state.range(0)), 8);
}
BENCHMARK(BM_SplitByArgumentCount)->RangeMultiplier(4)->Range(16, 65536)->Complexity();

void BM_SplitByArgumentLength(benchmark::State& state) {
  Split(state, 64, static_cast<std::size_t>(state.range(0)));
}
BENCHMARK(BM_SplitByArgumentLength)->RangeMultiplier(8)->Range(8, 32768);

}  // namespace
