// One command-line parser module loaded by the host, with the host's services injected.
#pragma once

#include <optional>
#include <string>

#include "ICommandLineParametersParser.h"
#include "kel/IImportsContainer.h"
#include "kel/ObjectPtr.h"
#include "kel/host/ModuleLibrary.h"
#include "kel/host/Outcome.h"
#include "kel/host/PluginManifest.h"

namespace kel::host {

// Owns the module's load reference and every reference the host holds on the module's
// objects; move-only. Not thread-compatible: one thread uses a LoadedPlugin at a time.
//
// Unload (also run by the destructor and by assigning over a loaded object) works in this
// order: the plug-in's imports are cleared, so it gives back every host service it holds;
// the host's references to the plug-in are given back; the module file is unloaded, which
// runs its exit list. Afterwards no host object that the loader made is alive, so a caller
// can check kel::host::LiveObjects for what it leaked itself.
class LoadedPlugin {
 public:
  // Reads the manifest from the file at `modulePath` (UTF-8) before anything of the module
  // runs, and fails unless it is well-formed and this host serves every import it names.
  // Then loads the module, asks GetExport for the manifest's id, queries the exported object
  // for ICommandLineParametersParser and kel::IImportsContainer, and injects, for each
  // import in manifest order, a HostExportProxy wrapping the service of its contract under
  // its property. Every failure text begins with the module's file name, for example
  //   CommandLineParametersParser.kellib: import "Foo" needs contract "x/1.0", which this
  //   host does not serve
  // and whatever was loaded on the way is unloaded again.
  static Outcome<LoadedPlugin> Load(const std::string& modulePath);

  LoadedPlugin(LoadedPlugin&& other) noexcept;
  LoadedPlugin& operator=(LoadedPlugin&& other) noexcept;
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;
  ~LoadedPlugin();

  const std::string& ModulePath() const noexcept { return modulePath_; }
  const PluginManifest& Manifest() const noexcept { return manifest_; }
  bool IsLoaded() const noexcept { return module_.has_value(); }

  // The plug-in's parsing interface, borrowed: null once unloaded. The reference stays with
  // this object; a caller that keeps the pointer longer takes its own.
  ICommandLineParametersParser* Parser() const noexcept { return parser_.Get(); }

  // Clears the imports, gives back the host's references and unloads the module file.
  // Returns whether the system reported the unload as done; false when nothing was loaded.
  bool Unload() noexcept;

 private:
  LoadedPlugin(std::string modulePath, PluginManifest manifest, ModuleLibrary module);

  // Everything after the module is mapped; a failure leaves the caller to unload.
  std::optional<Failure> Connect();

  std::string modulePath_;
  PluginManifest manifest_;
  std::optional<ModuleLibrary> module_;
  ObjectPtr<IObjectBase> exported_;
  ObjectPtr<ICommandLineParametersParser> parser_;
  ObjectPtr<IImportsContainer> imports_;
};

}  // namespace kel::host
