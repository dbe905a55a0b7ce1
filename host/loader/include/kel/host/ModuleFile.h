// What a host reads from a module file without loading it: the manifests, the exports and
// the libraries the module needs. Nothing in the file runs. This is the host's one reader
// of module files; the loader and the tests both use it.
//
// Exactly one object format is read per build: PE in the Windows build (ModuleImagePe.cpp),
// 64-bit little-endian ELF in the Linux build (ModuleImageElf.cpp). Each reads the headers
// and then only the tables it needs, checking every offset against the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kel/host/Outcome.h"

namespace kel::host {

// A manifest a module file carries, and where it lies.
struct EmbeddedManifest {
  // The manifest's bytes; nullopt when the file carries none.
  std::optional<std::string> bytes;
  // Where it was found (for a PE resource with its language and code page), or where it was
  // looked for when it is missing.
  std::string location;
};

// One entry of the module's export table.
struct ExportedFunction {
  // Empty for a function exported by ordinal only (PE).
  std::string name;
  // The PE ordinal; 0 in ELF, which has none.
  std::uint32_t ordinal = 0;

  bool operator==(const ExportedFunction&) const = default;
};

struct ModuleFileContents {
  // "PE32+ DLL", "ELF64 shared object (x86-64)", ...
  std::string format;
  // The plug-in manifest. PE: resource type "PLUGCFG", name "PLUGCFG_ID", language 1033
  // preferred. ELF: the note of owner "PLUGCFG", type 1, in section ".note.kel.plugcfg",
  // taken only when a PT_NOTE segment holds the section, so the loaded image carries it too.
  EmbeddedManifest manifest;
  // The application manifest: resource type 24, identifier 2, language 1033 preferred (PE);
  // ELF files carry none.
  EmbeddedManifest applicationManifest;
  // The module name the export directory records (PE); empty in ELF.
  std::string exportDirectoryName;
  // PE: every export address table entry that holds an address, in ordinal order, with its
  // name. ELF: every defined global, weak or unique symbol of .dynsym, in table order.
  std::vector<ExportedFunction> exports;
  // The libraries the module needs loaded with it: the DLL names of the import and delay-load
  // import directories (PE), the DT_NEEDED entries of the dynamic section (ELF).
  std::vector<std::string> neededLibraries;

  // Whether an export is named `name`.
  bool Exports(std::string_view name) const;
};

// What reading one module file may cost, whatever it holds: the reader refuses a file that
// asks for more, with a message naming the limit. With these, reading takes time and memory
// linear in the file's size.
struct ReadLimits {
  // The longest name (export, needed library, the export directory's module name), in bytes.
  std::size_t maxNameLength = std::size_t{16} << 10;
  // All names the reader copies, together.
  std::size_t maxNamesTotal = std::size_t{4} << 20;
  // Entries of one table of names: exports, needed libraries.
  std::size_t maxEntries = std::size_t{64} << 10;
};

// Reads the image of a module file held in memory. Fails when the bytes are not a module of
// this build's object format, a table the reader needs lies outside them, or the file asks
// for more than `limits` allow; a missing manifest is not a failure.
Outcome<ModuleFileContents> ReadModuleImage(std::string_view bytes, const ReadLimits& limits = {});

// Maps the module file at `path` (UTF-8) and reads its image; failure texts begin with the
// module's file name (the path when the file cannot be opened).
Outcome<ModuleFileContents> ReadModuleFile(const std::string& path);

// The last component of `path` ('/' and '\\' both separate): how messages name a module.
std::string ModuleFileName(const std::string& path);

// The whole file at `path` (UTF-8), byte for byte, or a failure naming the path; a file of
// more than `maxSize` bytes is refused unread.
Outcome<std::string> ReadFileBytes(const std::string& path,
                                   std::size_t maxSize = static_cast<std::size_t>(-1));

}  // namespace kel::host
