// A minimal host written against the installed SDK: load the module, inject nothing, parse
// a command line and read the result back. Exits 0 when everything matches.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "ICommandLineParametersParser.h"
#include "kel/ModuleEntry.h"
#include "kel/ObjectPtr.h"

int main() {
  void* module = dlopen(COMMANDLINEPARAMETERSPARSER_MODULE_FILE, RTLD_NOW | RTLD_LOCAL);
  const auto getExport = reinterpret_cast<kel::GetExportFunction>(
      module == nullptr ? nullptr : dlsym(module, kel::kGetExportName));
  bool matches = getExport != nullptr;
  if (matches) {  // everything the module handed out is given back before it is unloaded
    kel::ObjectPtr<kel::IObjectBase> plugin;
    getExport("com.velkora.zq.CCommandLineParametersParserPlugin/1.0", plugin.Put());
    const auto parser = kel::QueryAs<ICommandLineParametersParser>(plugin);
    const char* const argv[] = {"consumer", "--level=3", "-v", "input"};
    kel::ObjectPtr<ICommandLineParameters> parameters;
    bool present = false;
    matches = parser && parser->Parse(4, argv) == 0 &&
              parser->GetParameters(parameters.Put()) == 0 &&
              parameters->HasOption("level", &present) == 0 && present &&
              std::strcmp(parameters->GetOptionsIterator()->GetName(), "level") == 0;
  }
  if (module != nullptr) dlclose(module);
  std::puts(matches ? "sdk_consumer: ok" : "sdk_consumer: the module did not answer as expected");
  return matches ? 0 : 1;
}
