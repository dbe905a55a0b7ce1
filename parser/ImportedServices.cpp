// Resolution of the host's factories through the plug-in singleton's import table.
#include "ImportedServices.h"

#include "CCommandLineParametersParserPlugin.h"

namespace kel {

ObjectPtr<IStringFactory> GetStringFactory() {
  return CCommandLineParametersParserPlugin::ResolveImport<IStringFactory>("StringFactory");
}

ObjectPtr<ICollectionFactory> GetCollectionFactory() {
  return CCommandLineParametersParserPlugin::ResolveImport<ICollectionFactory>("CollectionFactory");
}

}  // namespace kel
