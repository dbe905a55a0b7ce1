// The plug-in manifest a module carries: what it exports and which host services it needs.
//
//   <plugcfg version="1">
//     <export>
//       <contract>...</contract>            any number: what the exported object fulfils
//       <id>...</id>                        exactly one: the id GetExport answers
//       <import>                            any number, each with exactly one of each child:
//         <property>...</property>          the name the host injects the service under
//         <contract>...</contract>          the service the import needs
//       </import>
//     </export>
//   </plugcfg>
//
// The root is `plugcfg` with exactly one `export`. Texts are taken with the XML white space
// at both ends removed and must not be empty. Comments and unknown elements are ignored.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "kel/host/Outcome.h"

namespace kel::host {

struct ManifestImport {
  std::string property;
  std::string contract;

  bool operator==(const ManifestImport&) const = default;
};

struct PluginManifest {
  std::string exportId;
  std::vector<std::string> contracts;
  std::vector<ManifestImport> imports;  // in document order
};

// The largest manifest read: a document's tree takes some tens of bytes per byte of markup,
// so this keeps reading one within a few MiB whatever the module file holds.
inline constexpr std::size_t kMaxManifestBytes = std::size_t{64} << 10;

// Reads a manifest from its XML bytes (UTF-8, at most kMaxManifestBytes). The failure text
// says what is wrong ("not well-formed XML ...", "root element is <x>, expected <plugcfg>",
// ...), without naming the module.
Outcome<PluginManifest> ParsePluginManifest(std::string_view xml);

}  // namespace kel::host
