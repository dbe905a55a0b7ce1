#include "PluginSession.h"

#include <stdexcept>
#include <utility>

#include "CCommandLineParametersParserPlugin.h"
#include "kel/host/HostExportProxy.h"
#include "kel/host/HostFactories.h"

namespace kel::bench {
namespace {

using GetExportFunction = ResultCode (*)(ContractId id, IObjectBase** out);

ObjectPtr<IObjectBase> ProxyOf(ObjectPtr<IObjectBase> service) {
  return ObjectPtr<IObjectBase>(host::HostExportProxy::Create(std::move(service)));
}

}  // namespace

PluginSession PluginSession::LoadModuleFile(const std::string& path) {
  std::string error;
  std::optional<host::ModuleLibrary> module = host::ModuleLibrary::Load(path, error);
  if (!module) throw std::runtime_error(error);
  const auto getExport = reinterpret_cast<GetExportFunction>(module->FindSymbol("GetExport"));
  if (getExport == nullptr) throw std::runtime_error(path + " does not export GetExport");
  // Declared before `exported`, so that a failure gives the plug-in back before the unload.
  PluginSession session(std::move(module));
  ObjectPtr<IObjectBase> exported;
  if (getExport(kExportId, exported.Put()) != result::kOk || !exported) {
    throw std::runtime_error(path + ": GetExport found no plug-in");
  }
  session.Connect(exported);
  return session;
}

PluginSession PluginSession::LinkedIn() {
  ObjectPtr<IPlugin> plugin;
  if (CCommandLineParametersParserPlugin::GetInstance(plugin.Put()) != result::kOk) {
    throw std::runtime_error("the linked-in plug-in could not be created");
  }
  PluginSession session(std::nullopt);
  session.Connect(ObjectPtr<IObjectBase>(plugin.Get()));
  return session;
}

PluginSession::PluginSession(std::optional<host::ModuleLibrary> module) noexcept
    : module_(std::move(module)) {}

void PluginSession::Connect(const ObjectPtr<IObjectBase>& exported) {
  parser_ = QueryAs<ICommandLineParametersParser>(exported);
  imports_ = QueryAs<IImportsContainer>(exported);
  if (!parser_ || !imports_) throw std::runtime_error("the plug-in lacks an interface");
  // The plug-in takes a reference on each proxy, which holds its factory.
  imports_->SetImport("StringFactory", ProxyOf(host::HostStringFactory::Create()).Get());
  imports_->SetImport("CollectionFactory", ProxyOf(host::HostCollectionFactory::Create()).Get());
}

PluginSession::~PluginSession() {
  if (imports_) imports_->ClearImports();
  imports_.Reset();
  parser_.Reset();
  if (module_) module_->Unload();
}

}  // namespace kel::bench
