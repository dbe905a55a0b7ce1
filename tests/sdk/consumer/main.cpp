// A complete host on the SDK's host kit: loads the module, injects the kit's services, has
// the module parse this program's command line and prints every option and free argument.
#include <cstdint>
#include <cstdio>
#include <string>

#include "ICommandLineParametersParser.h"
#include "kel/IImportsContainer.h"
#include "kel/ModuleEntry.h"
#include "kel/host/HostExportProxy.h"
#include "kel/host/HostFactories.h"
#include "kel/host/HostLogger.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using namespace kel;

template <class Service>  // what SetImport takes: a proxy handing out a new Service
ObjectPtr<host::HostExportProxy> ProxyOf() {
  return host::HostExportProxy::Create(ObjectPtr<IObjectBase>(Service::Create()->Identity()));
}

std::string TextOf(const ObjectPtr<IString>& text) {
  return text ? std::string(text->GetText(), text->GetLength()) : std::string();
}

int main(int argc, char** argv) {
#ifdef _WIN32
  HMODULE module = LoadLibraryA(COMMANDLINEPARAMETERSPARSER_MODULE_FILE);
  auto getExport = reinterpret_cast<GetExportFunction>(GetProcAddress(module, kGetExportName));
#else
  void* module = dlopen(COMMANDLINEPARAMETERSPARSER_MODULE_FILE, RTLD_NOW);
  auto getExport = reinterpret_cast<GetExportFunction>(dlsym(module, kGetExportName));
#endif
  if (getExport == nullptr) return 1;
  {  // every reference is given back before the module is unloaded
    ObjectPtr<IObjectBase> plugin;
    getExport("com.velkora.zq.CCommandLineParametersParserPlugin/1.0", plugin.Put());
    const auto imports = QueryAs<IImportsContainer>(plugin);
    imports->SetImport("Logger", ProxyOf<host::HostLogger>()->Identity());
    imports->SetImport("StringFactory", ProxyOf<host::HostStringFactory>()->Identity());
    imports->SetImport("CollectionFactory", ProxyOf<host::HostCollectionFactory>()->Identity());
    const auto parser = QueryAs<ICommandLineParametersParser>(plugin);
    ObjectPtr<ICommandLineParameters> parameters;
    if (parser->Parse(argc, argv) < 0 || parser->GetParameters(parameters.Put()) < 0) return 1;
    for (auto option = parameters->GetOptionsIterator(); !option->IsEnd(); option->Next()) {
      ObjectPtr<IString> value;
      option->GetValue(value.Put());
      std::printf("option %s = %s\n", option->GetName(), TextOf(value).c_str());
    }
    ObjectPtr<ICollection> arguments;
    parameters->GetFreeArguments(arguments.Put());
    for (std::uint32_t index = 0; index < arguments->GetCount(); ++index) {
      ObjectPtr<IString> argument;
      arguments->GetItem(index, argument.Put());
      std::printf("free argument %s\n", TextOf(argument).c_str());
    }
  }
#ifdef _WIN32
  FreeLibrary(module);
#else
  dlclose(module);
#endif
}
