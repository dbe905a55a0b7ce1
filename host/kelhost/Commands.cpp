#include "Commands.h"

#include <iostream>
#include <optional>

#include "ArgumentsFile.h"
#include "ExitCodes.h"
#include "HelpText.h"
#include "InspectCommand.h"
#include "Process.h"
#include "ReferenceTrace.h"
#include "Report.h"
#include "SampleArguments.h"
#include "kel/host/LiveObjects.h"
#include "kel/host/LoadedPlugin.h"
#include "kel/host/ModuleFile.h"

namespace kel::kelhost {
namespace {

constexpr char kModuleFileName[] = "CommandLineParametersParser.kellib";
constexpr char kPrefix[] = "kelhost: ";

host::Outcome<std::vector<std::string>> ChooseArguments(const Invocation& invocation) {
  if (invocation.argumentsFile) return ReadArgumentsFile(*invocation.argumentsFile);
  if (invocation.argumentsGiven) return invocation.arguments;
  return SampleArguments();
}

// Everything between loading and unloading the module. The table or document is flushed
// before the unload, so it reaches standard output ahead of the module's "PlugDLL deleted".
int ParseWithModule(const std::string& modulePath, const std::vector<std::string>& arguments,
                    const Invocation& invocation) {
  host::Outcome<host::LoadedPlugin> plugin = host::LoadedPlugin::Load(modulePath);
  if (!plugin) {
    std::cout.flush();
    std::cerr << kPrefix << plugin.Error() << '\n';
    return kExitModuleFailure;
  }
  int status = kExitSuccess;
  host::Outcome<ParseResult> result = ParseThroughModule(*plugin.Value().Parser(), arguments);
  if (result) {
    ParseReport report{std::move(result).Value(), std::nullopt};
    if (invocation.explain) report.explanations = ExplainArguments(arguments);
    std::cout << (invocation.json ? RenderJson(report) : RenderTable(report));
  } else {
    std::cerr << kPrefix << host::ModuleFileName(modulePath) << ": " << result.Error() << '\n';
    status = kExitModuleFailure;
  }
  std::cout.flush();
  if (!plugin.Value().Unload()) {
    std::cerr << kPrefix << host::ModuleFileName(modulePath)
              << ": the system did not unload the module\n";
    status = kExitModuleFailure;
  }
  return status;
}

}  // namespace

std::string DefaultModulePath() {
  const std::string executable = ExecutablePath();
  const std::size_t separator = executable.find_last_of("/\\");
  // "./" keeps a bare file name from being looked up on the library search path.
  const std::string directory =
      separator == std::string::npos ? std::string("./") : executable.substr(0, separator + 1);
  return directory + kModuleFileName;
}

int RunParse(const Invocation& invocation) {
  std::optional<ReferenceTrace> trace;
  if (invocation.trace) trace.emplace();
  const host::Outcome<std::vector<std::string>> arguments = ChooseArguments(invocation);
  if (!arguments) {
    std::cerr << kPrefix << arguments.Error() << '\n';
    return kExitModuleFailure;
  }
  const int status = ParseWithModule(invocation.modulePath.value_or(DefaultModulePath()),
                                     arguments.Value(), invocation);
  // The module is unloaded and every reference the loader took is given back: whatever
  // host object is still alive was leaked by kelhost itself or by the module.
  const std::string alive = host::LiveObjects::Describe();
  if (!alive.empty()) {
    std::cerr << kPrefix << "host objects still alive after the module was unloaded: " << alive
              << '\n';
    return kExitObjectsAlive;
  }
  return status;
}

int RunInspect(const Invocation& invocation) {
  const InspectReport report = InspectModule(invocation.modulePath.value_or(DefaultModulePath()));
  std::cout << (invocation.json ? RenderInspectJson(report) : RenderInspectTable(report));
  std::cout.flush();
  return report.problems.empty() ? kExitSuccess : kExitModuleFailure;
}

int RunKelhost(const std::vector<std::string>& arguments) {
  const host::Outcome<Invocation> invocation = ReadInvocation(arguments);
  if (!invocation) {
    std::cerr << kPrefix << invocation.Error() << '\n';
    return kExitUsage;
  }
  switch (invocation.Value().mode) {
    case Invocation::Mode::kHelp:
      std::cout << HelpText();
      std::cout.flush();
      return kExitSuccess;
    case Invocation::Mode::kInspect:
      return RunInspect(invocation.Value());
    case Invocation::Mode::kParse:
      break;
  }
  return RunParse(invocation.Value());
}

}  // namespace kel::kelhost
