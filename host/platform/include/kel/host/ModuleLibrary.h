// Loads a module file the way a kel host does. Exactly one of ModuleLibraryWindows.cpp and
// ModuleLibraryPosix.cpp is built; no other file tests for the platform. What the file
// carries (manifest, exports, needed libraries) is read from the file, not from the loaded
// image: kel/host/ModuleFile.h.
#pragma once

#include <optional>
#include <string>

namespace kel::host {

// One loaded module: LoadLibraryW/FreeLibrary on Windows, dlopen/dlclose elsewhere.
//
// Owns one load reference: moving hands it over, destruction (or Unload) gives it back. The
// module's static set-up runs inside Load and its exit list inside the unload that drops the
// last load reference. Expected failures are reported by empty results, never by exceptions.
// Not thread-compatible: one ModuleLibrary is used by one thread at a time.
class ModuleLibrary {
 public:
  // Loads the module file at `path` (UTF-8), relative to the current directory when it is
  // not absolute; never another file of that name found on a library search path. On failure
  // returns nullopt and sets `error` to a text naming the path and the system's reason.
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

 private:
  explicit ModuleLibrary(void* handle) noexcept : handle_(handle) {}

  // HMODULE on Windows, the dlopen handle elsewhere; null when nothing is held.
  void* handle_ = nullptr;
};

}  // namespace kel::host
