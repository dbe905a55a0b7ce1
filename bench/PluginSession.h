// Our plug-in set up as a host sets it up: obtained, given a string factory and a collection
// factory of kel::host, and handed out by its parsing interface.
#pragma once

#include <optional>
#include <string>

#include "ICommandLineParametersParser.h"
#include "kel/IImportsContainer.h"
#include "kel/ObjectPtr.h"
#include "kel/host/ModuleLibrary.h"

namespace kel::bench {

// Owns the module's load reference (when loaded from a file) and every reference the host
// holds. Destruction clears the plug-in's imports, gives back the references and unloads
// the module file. Move-only.
class PluginSession {
 public:
  static constexpr ContractId kExportId = "com.velkora.zq.CCommandLineParametersParserPlugin/1.0";

  // Loads the module file at `path` with the system loader and asks its GetExport for the
  // plug-in. Throws std::runtime_error, naming what failed.
  static PluginSession LoadModuleFile(const std::string& path);
  // The plug-in class linked into this executable.
  static PluginSession LinkedIn();

  PluginSession(PluginSession&&) noexcept = default;
  PluginSession& operator=(PluginSession&&) = delete;
  ~PluginSession();

  ICommandLineParametersParser& Parser() const noexcept { return *parser_; }

 private:
  explicit PluginSession(std::optional<host::ModuleLibrary> module) noexcept;

  // Queries `exported` for the plug-in's interfaces and injects the factories; throws
  // std::runtime_error when an interface is missing.
  void Connect(const ObjectPtr<IObjectBase>& exported);

  std::optional<host::ModuleLibrary> module_;  // empty for the linked-in plug-in
  ObjectPtr<ICommandLineParametersParser> parser_;
  ObjectPtr<IImportsContainer> imports_;
};

}  // namespace kel::bench
