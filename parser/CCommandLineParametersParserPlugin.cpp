#include "CCommandLineParametersParserPlugin.h"

#include <utility>

#include "CCommandLineParameters.h"
#include "CommandLineGrammar.h"
#include "kel/InterfaceTable.h"
#include "kel/OperationBoundary.h"

namespace {
using Self = CCommandLineParametersParserPlugin;
// Each interface's own contract, then the root contracts, which the first interface
// (IPlugin) always answers.
constexpr kel::InterfaceEntry<Self> kInterfaces[] = {
    {IPlugin::kContractId, &kel::SelectInterface<Self, IPlugin>},
    {kel::IObject::kContractId, &kel::SelectInterface<Self, IPlugin>},
    {kel::IObjectBase::kContractId, &kel::SelectInterface<Self, IPlugin>},
    {ICommandLineParametersParser::kContractId,
     &kel::SelectInterface<Self, ICommandLineParametersParser>},
    {kel::IImportsContainer::kContractId, &kel::SelectInterface<Self, kel::IImportsContainer>},
};
}  // namespace

kel::ResultCode CCommandLineParametersParserPlugin::QueryInterface(kel::ContractId id, void** out) {
  return kel::QueryInterfaceTable(*this, kInterfaces, id, out);
}

kel::ResultCode CCommandLineParametersParserPlugin::PluginHook(void* /*hostContext*/) {
  return kel::result::kOk;
}

kel::ResultCode CCommandLineParametersParserPlugin::Parse(std::int32_t argc,
                                                          const char* const* argv) {
  return kel::RunOperation([&] {
    const CommandLineSplit split(argc, argv);
    // The new result is installed before the old one is released, and only once it is fully
    // built: exhausted memory leaves the current result untouched.
    currentResult_ = CCommandLineParameters::Create(split.FreeArguments(), split.Options());
    return kel::result::kOk;
  });
}

kel::ResultCode CCommandLineParametersParserPlugin::GetParameters(ICommandLineParameters** out) {
  if (!currentResult_) return kel::result::kNothingToActOn;
  if (out == nullptr) return kel::result::kNullObjectOut;
  currentResult_.CopyTo(out);
  return kel::result::kOk;
}
