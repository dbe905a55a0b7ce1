// A minimal host written against the installed SDK: load the module, inject nothing, parse
// a command line and read the result back. Exits 0 when everything matches.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "ICommandLineParametersParser.h"
#include "IPlugin.h"
#include "kel/ObjectPtr.h"

namespace {
int Fail(const char* what) {
  std::fprintf(stderr, "sdk_consumer: %s\n", what);
  return 1;
}
}  // namespace

int main() {
  void* module = dlopen(COMMANDLINEPARAMETERSPARSER_MODULE_FILE, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return Fail(dlerror());
  using GetExportFunction = kel::ResultCode (*)(kel::ContractId, kel::IObjectBase**);
  const auto getExport = reinterpret_cast<GetExportFunction>(dlsym(module, "GetExport"));
  if (getExport == nullptr) return Fail("no GetExport");
  int status = 0;
  {
    kel::ObjectPtr<kel::IObjectBase> plugin;
    if (getExport("com.velkora.zq.CCommandLineParametersParserPlugin/1.0", plugin.Put()) != 0) {
      return Fail("GetExport failed");
    }
    kel::ObjectPtr<ICommandLineParametersParser> parser =
        kel::QueryAs<ICommandLineParametersParser>(plugin);
    const char* const argv[] = {"consumer", "--level=3", "-v", "input"};
    kel::ObjectPtr<ICommandLineParameters> parameters;
    bool present = false;
    bool hasValue = true;
    if (!parser || parser->Parse(4, argv) != 0 || parser->GetParameters(parameters.Put()) != 0 ||
        parameters->HasOption("level", &present) != 0 || !present ||
        parameters->HasOptionValue("v", &hasValue) != 0 || hasValue) {
      status = Fail("the parse did not come back as expected");
    }
    auto iterator = parameters->GetOptionsIterator();
    if (!iterator || std::strcmp(iterator->GetName(), "level") != 0) status = Fail("iterator");
  }
  dlclose(module);
  if (status == 0) std::puts("sdk_consumer: ok");
  return status;
}
