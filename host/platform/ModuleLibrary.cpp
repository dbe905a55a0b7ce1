// What a loaded module's ownership means on every platform: one load reference, handed over
// by a move and given back by Unload, which each platform file implements.
#include "kel/host/ModuleLibrary.h"

#include <utility>

namespace kel::host {

ModuleLibrary::ModuleLibrary(ModuleLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

ModuleLibrary& ModuleLibrary::operator=(ModuleLibrary&& other) noexcept {
  if (this != &other) {
    Unload();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

ModuleLibrary::~ModuleLibrary() {
  Unload();
}

}  // namespace kel::host
