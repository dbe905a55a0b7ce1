// Cost of the queries a host makes on a parse result: presence and value-flag lookups and
// a full walk of the options. None of them allocates more than the name copy for a lookup.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "CCommandLineParameters.h"

namespace {

kel::ObjectPtr<CCommandLineParameters> MakeParameters(std::size_t options) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < options; ++i) names.push_back("option" + std::to_string(i));
  OptionMap map;
  for (const std::string& name : names) map.Set(name, "value");
  map.Seal();
  return CCommandLineParameters::Create(StoredArguments(FreeArgumentSet{}, map));
}

void BM_HasOption(benchmark::State& state) {
  const auto parameters = MakeParameters(static_cast<std::size_t>(state.range(0)));
  const std::string name = "option" + std::to_string(state.range(0) / 2);
  bool present = false;
  for (auto _ : state) {
    parameters->HasOption(name.c_str(), &present);
    benchmark::DoNotOptimize(present);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_HasOption)->RangeMultiplier(8)->Range(8, 32768)->Complexity();

void BM_WalkOptions(benchmark::State& state) {
  const auto parameters = MakeParameters(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const auto iterator = parameters->GetOptionsIterator();
    bool hasValue = false;
    for (; !iterator->IsEnd(); iterator->Next()) {
      benchmark::DoNotOptimize(iterator->GetName());
      iterator->HasValue(&hasValue);
    }
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WalkOptions)->RangeMultiplier(8)->Range(8, 32768)->Complexity();

}  // namespace
