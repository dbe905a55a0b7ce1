// What a host reads from a module file without loading it: the plug-in manifest and the
// names the file exports. Nothing in the file runs.
//
// Exactly one object format is read per build: PE (resource type "PLUGCFG", name
// "PLUGCFG_ID", language 1033 preferred; the export directory) in the Windows build, ELF (the
// note of owner "PLUGCFG", type 1, in section ".note.kel.plugcfg"; the defined global and
// weak symbols of .dynsym) in the Linux build.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kel/host/Outcome.h"

namespace kel::host {

struct ModuleFileContents {
  // "PE32+ DLL", "ELF64 shared object", ...
  std::string format;
  // The manifest's bytes; nullopt when the file carries none.
  std::optional<std::string> manifest;
  // Where the manifest was found, or where it was looked for when it is missing.
  std::string manifestLocation;
  // Names of the exported functions, in the order the file lists them.
  std::vector<std::string> exportedNames;
};

// Reads the image of a module file held in memory. Fails when the bytes are not a module of
// this build's object format or its tables point outside the bytes; a missing manifest is
// not a failure.
Outcome<ModuleFileContents> ReadModuleImage(std::string_view bytes);

// Reads the module file at `path` (UTF-8) and then its image; failure texts begin with the
// module's file name (the path when the file cannot be read).
Outcome<ModuleFileContents> ReadModuleFile(const std::string& path);

// The last component of `path` ('/' and '\\' both separate): how messages name a module.
std::string ModuleFileName(const std::string& path);

// The whole file at `path` (UTF-8), byte for byte, or a failure naming the path.
Outcome<std::string> ReadFileBytes(const std::string& path);

}  // namespace kel::host
