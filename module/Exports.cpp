// The module's exports, registered while the module loads.
#include "CCommandLineParametersParserPlugin.h"
#include "ExportRegistrar.h"

namespace {
// The module's one static initialiser: creates the plug-in singleton (its holder's release
// becomes the first entry of the exit list), sets up the registry (the second entry) and
// registers the plug-in under its export id.
const kel::ExportRegistrar<CCommandLineParametersParserPlugin> pluginRegistrar(
    CCommandLineParametersParserPlugin::kExportId);
}  // namespace
