#include "kel/host/LoadedPlugin.h"

#include <utility>

#include "kel/ModuleEntry.h"
#include "kel/host/ImportServices.h"
#include "kel/host/ModuleFile.h"

namespace kel::host {
namespace {

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// Checked before the module is loaded, so no code of a module this host cannot serve runs.
std::optional<Failure> FindUnservedImport(const std::string& file, const PluginManifest& manifest) {
  for (const ManifestImport& import : manifest.imports) {
    if (FindImportService(import.contract) != nullptr) continue;
    return Failure{file + ": import " + Quoted(import.property) + " needs contract " +
                   Quoted(import.contract) + ", which this host does not serve"};
  }
  return std::nullopt;
}

}  // namespace

Outcome<LoadedPlugin> LoadedPlugin::Load(const std::string& modulePath) {
  const std::string file = ModuleFileName(modulePath);
  const Outcome<ModuleFileContents> contents = ReadModuleFile(modulePath);
  if (!contents) return Failure{contents.Error()};
  const EmbeddedManifest& embedded = contents.Value().manifest;
  if (!embedded.bytes) {
    return Failure{file + ": carries no plug-in manifest (" + embedded.location + ")"};
  }
  Outcome<PluginManifest> manifest = ParsePluginManifest(*embedded.bytes);
  if (!manifest) return Failure{file + ": plug-in manifest: " + manifest.Error()};
  if (std::optional<Failure> unserved = FindUnservedImport(file, manifest.Value())) {
    return *std::move(unserved);
  }

  std::string error;
  std::optional<ModuleLibrary> module = ModuleLibrary::Load(modulePath, error);
  if (!module) return Failure{file + ": " + error};
  LoadedPlugin plugin(modulePath, std::move(manifest).Value(), std::move(*module));
  // On failure `plugin` goes out of scope and unloads what was loaded.
  if (std::optional<Failure> failure = plugin.Connect()) return *std::move(failure);
  return plugin;
}

LoadedPlugin::LoadedPlugin(std::string modulePath, PluginManifest manifest, ModuleLibrary module)
    : modulePath_(std::move(modulePath)),
      manifest_(std::move(manifest)),
      module_(std::move(module)) {}

LoadedPlugin::LoadedPlugin(LoadedPlugin&& other) noexcept
    : modulePath_(std::move(other.modulePath_)),
      manifest_(std::move(other.manifest_)),
      module_(std::exchange(other.module_, std::nullopt)),
      exported_(std::move(other.exported_)),
      parser_(std::move(other.parser_)),
      imports_(std::move(other.imports_)) {}

LoadedPlugin& LoadedPlugin::operator=(LoadedPlugin&& other) noexcept {
  if (this == &other) return *this;
  // The references into the current module go before the module does.
  Unload();
  modulePath_ = std::move(other.modulePath_);
  manifest_ = std::move(other.manifest_);
  module_ = std::exchange(other.module_, std::nullopt);
  exported_ = std::move(other.exported_);
  parser_ = std::move(other.parser_);
  imports_ = std::move(other.imports_);
  return *this;
}

LoadedPlugin::~LoadedPlugin() {
  Unload();
}

std::optional<Failure> LoadedPlugin::Connect() {
  const std::string file = ModuleFileName(modulePath_);
  const auto getExport = reinterpret_cast<GetExportFunction>(module_->FindSymbol(kGetExportName));
  if (getExport == nullptr) return Failure{file + ": does not export " + kGetExportName};

  const ResultCode code = getExport(manifest_.exportId.c_str(), exported_.Put());
  if (code < 0 || !exported_) {
    return Failure{file + ": GetExport(" + Quoted(manifest_.exportId) + ") returned " +
                   std::to_string(code) + ": nothing is exported under the manifest's id"};
  }
  parser_ = QueryAs<ICommandLineParametersParser>(exported_);
  if (!parser_) {
    return Failure{file + ": the object exported as " + Quoted(manifest_.exportId) +
                   " does not answer " + Quoted(ICommandLineParametersParser::kContractId)};
  }
  imports_ = QueryAs<IImportsContainer>(exported_);
  if (!imports_) {
    return Failure{file + ": the object exported as " + Quoted(manifest_.exportId) +
                   " does not answer " + Quoted(IImportsContainer::kContractId)};
  }
  // The plug-in takes its own reference on each proxy; the host keeps none.
  for (const ManifestImport& import : manifest_.imports) {
    const ObjectPtr<IObjectBase> proxy = CreateImportProxy(*FindImportService(import.contract));
    imports_->SetImport(import.property.c_str(), proxy.Get());
  }
  return std::nullopt;
}

bool LoadedPlugin::Unload() noexcept {
  if (imports_) imports_->ClearImports();
  imports_.Reset();
  parser_.Reset();
  exported_.Reset();
  if (!module_) return false;
  const bool unloaded = module_->Unload();
  module_.reset();
  return unloaded;
}

}  // namespace kel::host
