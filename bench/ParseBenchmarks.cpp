#include "ParseBenchmarks.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "AllocationCounter.h"

namespace kel::bench {
namespace {

// Each workload is made once and kept for the rest of the run.
const Workload& WorkloadOf(WorkloadKind kind, std::size_t count) {
  static std::map<std::pair<WorkloadKind, std::size_t>, std::unique_ptr<Workload>> workloads;
  std::unique_ptr<Workload>& workload = workloads[{kind, count}];
  if (!workload) workload = std::make_unique<Workload>(kind, count);
  return *workload;
}

void MeasureParse(benchmark::State& state, WorkloadKind kind, BenchParser& parser) {
  const std::size_t count = static_cast<std::size_t>(state.range(0));
  const Workload& workload = WorkloadOf(kind, count);
  // The first Parse replaces an outcome as every later one does.
  parser.Parse(workload.Argc(), workload.Argv());
  const std::uint64_t allocations = AllocationsDuring([&] {
    for (auto _ : state) parser.Parse(workload.Argc(), workload.Argv());
  });
  // An empty command line, so that the large outcome is not kept for the rest of the run.
  parser.Parse(1, workload.Argv());

  const auto perParse = static_cast<double>(allocations) / static_cast<double>(state.iterations());
  state.counters["allocs_per_parse"] = perParse;
  state.counters["allocs_per_arg"] = perParse / static_cast<double>(count);
  state.counters["args"] =
      benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate);
  state.SetComplexityN(static_cast<std::int64_t>(count));
}

}  // namespace

std::vector<std::size_t> ArgumentCounts(std::size_t maxCount) {
  std::vector<std::size_t> counts;
  for (const std::size_t count : {10, 1'000, 100'000, 1'000'000}) {
    if (count <= maxCount) counts.push_back(count);
  }
  return counts;
}

void RegisterParseBenchmarks(std::span<NamedParser> parsers,
                             const std::vector<std::size_t>& counts) {
  for (const WorkloadKind kind : WorkloadKinds()) {
    for (NamedParser& named : parsers) {
      if (!named.Reads(kind)) continue;
      BenchParser* parser = named.parser.get();
      auto* benchmark = benchmark::RegisterBenchmark(
          ("parse/" + std::string(IdOf(kind)) + "/" + named.id).c_str(),
          [kind, parser](benchmark::State& state) { MeasureParse(state, kind, *parser); });
      for (const std::size_t count : counts) {
        if (count <= named.maxArguments) benchmark->Arg(static_cast<std::int64_t>(count));
      }
      benchmark->Complexity(benchmark::oNLogN)->Unit(benchmark::kMicrosecond);
    }
  }
}

}  // namespace kel::bench
