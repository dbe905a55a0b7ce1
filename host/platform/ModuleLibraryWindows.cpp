#include "kel/host/ModuleLibrary.h"

#include <windows.h>

#include <utility>

#include "kel/host/WideText.h"

namespace kel::host {

namespace {

// The absolute form of `path` with backslash separators, so that a path written with
// forward slashes, or one relative to the current drive, names the module the way the
// loader records it.
std::optional<std::wstring> FullPath(const std::string& path) {
  const std::optional<std::wstring> wide = WidenUtf8(path);
  if (!wide || wide->empty()) return std::nullopt;
  const DWORD size = ::GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::nullopt;
  std::wstring full(size, L'\0');
  const DWORD written = ::GetFullPathNameW(wide->c_str(), size, full.data(), nullptr);
  if (written == 0 || written >= size) return std::nullopt;
  full.resize(written);
  return full;
}

}  // namespace

std::optional<ModuleLibrary> ModuleLibrary::Load(const std::string& path, std::string& error) {
  const std::optional<std::wstring> fullPath = FullPath(path);
  if (!fullPath) {
    error = "cannot load module '" + path + "': not a valid path";
    return std::nullopt;
  }
  HMODULE module = ::LoadLibraryW(fullPath->c_str());
  if (module == nullptr) {
    error = "cannot load module '" + path + "': " + SystemMessage(::GetLastError());
    return std::nullopt;
  }
  return ModuleLibrary(module);
}

bool ModuleLibrary::IsLoaded(const std::string& path) {
  // GetModuleHandleW neither loads the module nor changes its load count.
  const std::optional<std::wstring> fullPath = FullPath(path);
  return fullPath && ::GetModuleHandleW(fullPath->c_str()) != nullptr;
}

void* ModuleLibrary::FindSymbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

bool ModuleLibrary::Unload() {
  void* handle = std::exchange(handle_, nullptr);
  return handle != nullptr && ::FreeLibrary(static_cast<HMODULE>(handle)) != FALSE;
}

}  // namespace kel::host
