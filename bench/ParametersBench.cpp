// Cost of the queries a host makes on a parse result, by the number of options: presence
// lookups and a full walk of the options. Lookups should grow as log n, a walk as n.
#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "CCommandLineParametersParserPlugin.h"

namespace {

// A result with `options` options, made by the plug-in linked into this executable.
kel::ObjectPtr<ICommandLineParameters> MakeParameters(std::size_t options) {
  std::vector<std::string> arguments{"program"};
  for (std::size_t i = 0; i < options; ++i)
    arguments.push_back("--option" + std::to_string(i) + "=value");
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());

  kel::ObjectPtr<IPlugin> plugin;
  CCommandLineParametersParserPlugin::GetInstance(plugin.Put());
  const auto parser = kel::QueryAs<ICommandLineParametersParser>(plugin);
  kel::ObjectPtr<ICommandLineParameters> parameters;
  if (!parser || parser->Parse(static_cast<std::int32_t>(argv.size()), argv.data()) != 0 ||
      parser->GetParameters(parameters.Put()) != 0) {
    throw std::runtime_error("the plug-in did not parse");
  }
  return parameters;
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
