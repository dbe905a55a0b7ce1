#include "kel/host/ModuleLibrary.h"

#include <dlfcn.h>

#include <utility>

namespace kel::host {
namespace {

// `path` as dlopen must be given it to load exactly the file at `path`: a name without a
// '/' would be searched for on the library path (LD_LIBRARY_PATH, the cache, the system
// folders) and could find another file of that name.
std::string ExplicitPath(const std::string& path) {
  if (path.empty() || path.find('/') != std::string::npos) return path;
  return "./" + path;
}

}  // namespace

std::optional<ModuleLibrary> ModuleLibrary::Load(const std::string& path, std::string& error) {
  // Every reference is bound at load, as a host needs them all; the module's symbols stay
  // out of the global scope so two modules never resolve against each other.
  void* handle = ::dlopen(ExplicitPath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    error = "cannot load module '" + path + "': " + (reason == nullptr ? "unknown error" : reason);
    return std::nullopt;
  }
  return ModuleLibrary(handle);
}

bool ModuleLibrary::IsLoaded(const std::string& path) {
  // RTLD_NOLOAD finds an object already mapped (by name or by file identity) and only then
  // takes a reference, which is given straight back.
  void* handle = ::dlopen(ExplicitPath(path).c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  ::dlclose(handle);
  return true;
}

void* ModuleLibrary::FindSymbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  return ::dlsym(handle_, name);
}

bool ModuleLibrary::Unload() {
  void* handle = std::exchange(handle_, nullptr);
  return handle != nullptr && ::dlclose(handle) == 0;
}

}  // namespace kel::host
