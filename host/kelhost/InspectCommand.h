// kelhost inspect: a module's manifest and exports, read from the file without loading it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kel/host/ModuleFile.h"
#include "kel/host/PluginManifest.h"

namespace kel::kelhost {

struct InspectReport {
  std::string modulePath;
  // Absent when the file cannot be read as a module of this build's object format.
  std::optional<host::ModuleFileContents> contents;
  // Absent when the file carries no manifest or it is malformed.
  std::optional<host::PluginManifest> manifest;
  // Everything that keeps this host from using the module; empty when it can.
  std::vector<std::string> problems;
};

// Reads the module file and checks that it carries a well-formed manifest, that this host
// serves every import the manifest names, and that the file exports GetExport.
InspectReport InspectModule(const std::string& modulePath);

// "module:", "format:", "manifest:", "export id:", "contracts:", "imports:" (property,
// contract and the host service injected for it), "exports:", "problems:", one per line;
// further entries of a list go on lines of their own, aligned under the first.
std::string RenderInspectTable(const InspectReport& report);

// {"module", "format", "manifest_location", "manifest_bytes", "export_id", "contracts",
//  "imports": [{"property", "contract", "served_by"}], "exports", "problems"}; a value the
// file did not yield is null, an import the host does not serve has "served_by": null.
std::string RenderInspectJson(const InspectReport& report);

}  // namespace kel::kelhost
