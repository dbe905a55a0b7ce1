#include "QueryBenchmarks.h"

#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "ICommandLineParametersParser.h"
#include "Workload.h"
#include "kel/ObjectPtr.h"

namespace kel::bench {
namespace {

constexpr std::size_t kArgumentCount = 1'000;

ObjectPtr<ICommandLineParameters> ParseWorkload(ICommandLineParametersParser& parser) {
  const Workload workload(WorkloadKind::kMixed, kArgumentCount);
  ObjectPtr<ICommandLineParameters> parameters;
  if (parser.Parse(workload.Argc(), workload.Argv()) != result::kOk ||
      parser.GetParameters(parameters.Put()) != result::kOk || !parameters) {
    throw std::runtime_error("parsing the query workload failed");
  }
  return parameters;
}

// Every declared name, the long ones past any short-string buffer, and one name not given.
std::vector<const char*> LookupNames() {
  std::vector<const char*> names;
  for (const DeclaredOption& option : DeclaredOptions()) names.push_back(option.name);
  names.push_back("an-option-that-was-never-given");
  return names;
}

// Interfaces the result answers, and one it does not.
constexpr ContractId kContracts[] = {ICommandLineParameters::kContractId, IObject::kContractId,
                                     IObjectBase::kContractId, "com.velkora.zq.INothing/1.0"};

void ReportPerCall(benchmark::State& state, std::uint64_t allocations) {
  state.counters["allocs_per_call"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
}

void AddRef(benchmark::State& state, ICommandLineParameters& parameters) {
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    allocations += AllocationsDuring([&] { parameters.AddRef(); });
    parameters.Release();
  }
  ReportPerCall(state, allocations);
}

void Release(benchmark::State& state, ICommandLineParameters& parameters) {
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    parameters.AddRef();
    allocations += AllocationsDuring([&] { parameters.Release(); });
  }
  ReportPerCall(state, allocations);
}

void QueryInterface(benchmark::State& state, ICommandLineParameters& parameters) {
  std::uint64_t allocations = 0;
  std::size_t next = 0;
  for (auto _ : state) {
    void* answer = nullptr;
    const ContractId contract = kContracts[next++ % std::size(kContracts)];
    allocations += AllocationsDuring([&] { parameters.QueryInterface(contract, &answer); });
    if (answer != nullptr) static_cast<IObjectBase*>(answer)->Release();
  }
  ReportPerCall(state, allocations);
}

template <ResultCode (ICommandLineParameters::*Lookup)(const char*, bool*)>
void LookUp(benchmark::State& state, ICommandLineParameters& parameters) {
  const std::vector<const char*> names = LookupNames();
  std::uint64_t allocations = 0;
  std::size_t next = 0;
  for (auto _ : state) {
    bool answer = false;
    const char* name = names[next++ % names.size()];
    allocations += AllocationsDuring([&] { (parameters.*Lookup)(name, &answer); });
    benchmark::DoNotOptimize(answer);
  }
  ReportPerCall(state, allocations);
}

// Walks the options over and over, moving on after each measured call unless the measured
// call moves itself; a new iterator at each end is set-up, not measured.
template <bool kMeasuredMovesOn, class Measured>
void Walk(benchmark::State& state, ICommandLineParameters& parameters, Measured measured) {
  ObjectPtr<ICommandLineOptionsIterator> iterator = parameters.GetOptionsIterator();
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    if (iterator->IsEnd()) iterator = parameters.GetOptionsIterator();
    allocations += AllocationsDuring([&] { measured(*iterator); });
    if constexpr (!kMeasuredMovesOn) iterator->Next();
  }
  ReportPerCall(state, allocations);
}

void Next(benchmark::State& state, ICommandLineParameters& parameters) {
  Walk<true>(state, parameters, [](ICommandLineOptionsIterator& iterator) { iterator.Next(); });
}

void IsEnd(benchmark::State& state, ICommandLineParameters& parameters) {
  Walk<false>(state, parameters, [](ICommandLineOptionsIterator& iterator) {
    benchmark::DoNotOptimize(iterator.IsEnd());
  });
}

void GetName(benchmark::State& state, ICommandLineParameters& parameters) {
  Walk<false>(state, parameters, [](ICommandLineOptionsIterator& iterator) {
    benchmark::DoNotOptimize(iterator.GetName());
  });
}

using QueryFunction = void (*)(benchmark::State&, ICommandLineParameters&);

struct Query {
  const char* name;
  QueryFunction run;
};

constexpr Query kQueries[] = {
    {"AddRef", AddRef},
    {"Release", Release},
    {"QueryInterface", QueryInterface},
    {"HasOption", LookUp<&ICommandLineParameters::HasOption>},
    {"HasOptionValue", LookUp<&ICommandLineParameters::HasOptionValue>},
    {"Next", Next},
    {"IsEnd", IsEnd},
    {"GetName", GetName},
};

}  // namespace

void RegisterQueryBenchmarks(ICommandLineParametersParser& parser) {
  for (const Query& query : kQueries) {
    benchmark::RegisterBenchmark(
        (std::string("query/") + query.name).c_str(), [&parser, query](benchmark::State& state) {
          const ObjectPtr<ICommandLineParameters> parameters = ParseWorkload(parser);
          query.run(state, *parameters);
        });
  }
}

}  // namespace kel::bench
