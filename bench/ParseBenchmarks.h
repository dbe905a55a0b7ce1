// Benchmarks of Parse: every parser on each workload it reads, at each argument count.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "BenchParser.h"

namespace kel::bench {

// The argument counts measured: 10, 1,000, 100,000 and 1,000,000, up to `maxCount`.
std::vector<std::size_t> ArgumentCounts(std::size_t maxCount);

// Registers "parse/<workload>/<id>/<count>" for each workload, each parser that reads it
// and each count up to the parser's maxArguments, with an n log n fit per parser and
// workload and, as counters, the allocations per Parse and per argument and the arguments parsed
// per second. `parsers` must outlive the benchmark run.
void RegisterParseBenchmarks(std::span<NamedParser> parsers,
                             const std::vector<std::size_t>& counts);

}  // namespace kel::bench
