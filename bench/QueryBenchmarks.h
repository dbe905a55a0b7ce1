// Benchmarks of the calls a host makes on a parse result, each reporting the allocations
// per call: reference counting, interface queries, option lookups and the options walk.
#pragma once

class ICommandLineParametersParser;

namespace kel::bench {

// Registers "query/<operation>" on the result of a 1,000-argument workload parsed by
// `parser`, which must outlive the benchmark run. The counter allocs_per_call counts the
// measured call alone, never the set-up around it (the Release that balances an AddRef, a
// new iterator at the end of a walk).
void RegisterQueryBenchmarks(ICommandLineParametersParser& parser);

}  // namespace kel::bench
