// Host side of module loading: loads a module file the way a kel host does and reads back
// what the loaded image carries. Exactly one of ModuleLibraryWindows.cpp and
// ModuleLibraryPosix.cpp is built; no other file tests for the platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kel::platform {

// One loaded module: LoadLibraryW/FreeLibrary on Windows, dlopen/dlclose elsewhere.
//
// Owns one load reference: moving hands it over, destruction (or Unload) gives it back. The
// module's static set-up runs inside Load and its exit list inside the unload that drops the
// last load reference. Expected failures are reported by empty results, never by exceptions.
// Not thread-compatible: one ModuleLibrary is used by one thread at a time.
class ModuleLibrary {
 public:
  // A resource embedded in the module, read from the loaded image.
  struct EmbeddedResource {
    std::string bytes;
    // Resource language and code page of the resource entry (Windows); 0 where the object
    // format has no such fields.
    std::uint32_t language = 0;
    std::uint32_t codePage = 0;
  };

  // One named entry of the export table.
  struct ExportedName {
    std::string name;
    std::uint32_t ordinal = 0;
  };

  // The export directory of a loaded PE image.
  struct ExportDirectory {
    // The module name recorded in the directory, not the file name it was loaded from.
    std::string moduleName;
    std::uint32_t ordinalBase = 0;
    // Entries of the export address table that hold an address, named or not.
    std::uint32_t exportedFunctionCount = 0;
    std::vector<ExportedName> names;
  };

  // Loads the module at `path` (UTF-8). On failure returns nullopt and sets `error` to a
  // text naming the path and the system's reason.
  static std::optional<ModuleLibrary> Load(const std::string& path, std::string& error);

  // Whether the module file at `path` is mapped into this process, without loading it or
  // changing its load count.
  static bool IsLoaded(const std::string& path);

  ModuleLibrary(ModuleLibrary&& other) noexcept;
  ModuleLibrary& operator=(ModuleLibrary&& other) noexcept;
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;
  ~ModuleLibrary();

  // Whether this object still holds its load reference (false after Unload or a move).
  bool IsOpen() const noexcept { return handle_ != nullptr; }

  // The address of the exported symbol `name`, or null.
  void* FindSymbol(const char* name) const;

  // Gives the load reference back now. Returns whether the system reports success; the
  // object holds nothing afterwards either way. False when nothing was held.
  bool Unload();

  // The plug-in manifest: on Windows the resource of type "PLUGCFG" named "PLUGCFG_ID"; on
  // other systems the note of owner "PLUGCFG", type 1, in a PT_NOTE segment of the loaded
  // object. nullopt when the module carries none.
  std::optional<EmbeddedResource> ReadPlugcfg() const;

  // The application manifest, resource type 24, identifier 2 (Windows only; nullopt
  // elsewhere).
  std::optional<EmbeddedResource> ReadApplicationManifest() const;

  // Names of the functions the module exports: on Windows the names of the export
  // directory; elsewhere every defined global or weak symbol of the object's dynamic
  // symbol table, functions and data alike.
  std::vector<std::string> ExportedFunctionNames() const;

  // The export directory of the loaded image (Windows only; nullopt elsewhere).
  std::optional<ExportDirectory> ReadExportDirectory() const;

  // Names of the libraries the loaded image needs: the DLL names of its import and
  // delay-load import directories on Windows, its DT_NEEDED entries elsewhere.
  std::vector<std::string> ImportedLibraryNames() const;

 private:
  explicit ModuleLibrary(void* handle) noexcept : handle_(handle) {}

  // HMODULE on Windows, the dlopen handle elsewhere; null when nothing is held.
  void* handle_ = nullptr;
};

}  // namespace kel::platform
