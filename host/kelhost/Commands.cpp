#include "Commands.h"

#include <functional>
#include <optional>
#include <string_view>

#include "ArgumentsFile.h"
#include "Console.h"
#include "ExitCodes.h"
#include "HelpText.h"
#include "InspectCommand.h"
#include "OutputCapture.h"
#include "Process.h"
#include "ReferenceTrace.h"
#include "Report.h"
#include "SampleArguments.h"
#include "TextEscaping.h"
#include "kel/host/LiveObjects.h"
#include "kel/host/LoadedPlugin.h"
#include "kel/host/ModuleFile.h"

namespace kel::kelhost {
namespace {

constexpr char kModuleFileName[] = "CommandLineParametersParser.kellib";
// Where the Linux packages install the module, from the directory of kelhost.
constexpr char kInstalledModuleDirectory[] = "../lib/CommandLineParametersParser/";

// One line on standard error, "kelhost: " and `message`, escaped: messages quote texts from
// files, which may hold any byte.
void Complain(const std::string& message) {
  WriteErrorLine("kelhost: " + Escaped(message));
}

host::Outcome<std::vector<std::string>> ChooseArguments(const Invocation& invocation) {
  if (invocation.argumentsFile) return ReadArgumentsFile(*invocation.argumentsFile);
  if (invocation.argumentsGiven) return invocation.arguments;
  return SampleArguments();
}

// Everything between loading and unloading the module. `show` receives the report before
// the unload, so a table comes ahead of the module's "PlugDLL deleted".
int ParseWithModule(const std::string& modulePath, const std::vector<std::string>& arguments,
                    const Invocation& invocation, const std::function<void(ParseReport&&)>& show) {
  host::Outcome<host::LoadedPlugin> plugin = host::LoadedPlugin::Load(modulePath);
  if (!plugin) {
    Complain(plugin.Error());
    return kExitModuleFailure;
  }
  int status = kExitSuccess;
  host::Outcome<ParseResult> result = ParseThroughModule(*plugin.Value().Parser(), arguments);
  if (result) {
    ParseReport report{std::move(result).Value(), std::nullopt, std::nullopt};
    if (invocation.explain) report.explanations = ExplainArguments(arguments);
    show(std::move(report));
  } else {
    Complain(host::ModuleFileName(modulePath) + ": " + result.Error());
    status = kExitModuleFailure;
  }
  if (!plugin.Value().Unload()) {
    Complain(host::ModuleFileName(modulePath) + ": the system did not unload the module");
    status = kExitModuleFailure;
  }
  return status;
}

// "\n"-ended lines, and a last one without its end.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.emplace_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return lines;
}

// The JSON form: what the module writes on standard output while it is loaded is captured
// and reported inside the one document. When no document can be made, the captured bytes
// are passed on as they came, so nothing the module said is lost.
int ParseWithModuleToJson(const std::string& modulePath, const std::vector<std::string>& arguments,
                          const Invocation& invocation) {
  std::optional<ParseReport> report;
  OutputCapture capture;
  if (!capture.Error().empty()) {
    Complain(capture.Error());
    return kExitModuleFailure;
  }
  const int status = ParseWithModule(modulePath, arguments, invocation,
                                     [&report](ParseReport&& made) { report = std::move(made); });
  const std::string moduleOutput = capture.Finish();
  if (!report) {
    WriteOutput(moduleOutput);
    return status;
  }
  report->moduleOutput = SplitLines(moduleOutput);
  WriteOutput(RenderJson(*report));
  return status;
}

}  // namespace

std::string DefaultModulePath() {
  const std::string executable = ExecutablePath();
  const std::size_t separator = executable.find_last_of("/\\");
  // "./" keeps a bare file name from being looked up on the library search path.
  const std::string directory =
      separator == std::string::npos ? std::string("./") : executable.substr(0, separator + 1);
  const std::string beside = directory + kModuleFileName;
  const std::string installed = directory + kInstalledModuleDirectory + kModuleFileName;
  return !FileExists(beside) && FileExists(installed) ? installed : beside;
}

int RunParse(const Invocation& invocation) {
  std::optional<ReferenceTrace> trace;
  if (invocation.trace) trace.emplace();
  const host::Outcome<std::vector<std::string>> arguments = ChooseArguments(invocation);
  if (!arguments) {
    Complain(arguments.Error());
    return kExitModuleFailure;
  }
  const std::string modulePath = invocation.modulePath.value_or(DefaultModulePath());
  const int status =
      invocation.json
          ? ParseWithModuleToJson(modulePath, arguments.Value(), invocation)
          : ParseWithModule(modulePath, arguments.Value(), invocation,
                            [](ParseReport&& report) { WriteOutput(RenderTable(report)); });
  // The module is unloaded and every reference the loader took is given back: whatever
  // host object is still alive was leaked by kelhost itself or by the module.
  const std::string alive = host::LiveObjects::Describe();
  if (!alive.empty()) {
    Complain("host objects still alive after the module was unloaded: " + alive);
    return kExitObjectsAlive;
  }
  return status;
}

int RunInspect(const Invocation& invocation) {
  const InspectReport report = InspectModule(invocation.modulePath.value_or(DefaultModulePath()));
  WriteOutput(invocation.json ? RenderInspectJson(report) : RenderInspectTable(report));
  return report.problems.empty() ? kExitSuccess : kExitModuleFailure;
}

int RunKelhost(const std::vector<std::string>& arguments) {
  const host::Outcome<Invocation> invocation = ReadInvocation(arguments);
  if (!invocation) {
    Complain(invocation.Error());
    return kExitUsage;
  }
  switch (invocation.Value().mode) {
    case Invocation::Mode::kHelp:
      WriteOutput(HelpText());
      return kExitSuccess;
    case Invocation::Mode::kVersion:
      WriteOutput("kelhost " KEL_VERSION "\n");
      return kExitSuccess;
    case Invocation::Mode::kInspect:
      return RunInspect(invocation.Value());
    case Invocation::Mode::kParse:
      break;
  }
  return RunParse(invocation.Value());
}

}  // namespace kel::kelhost
