// What ReadModuleImage shares with the one object-format reader of the build:
// ModuleImagePe.cpp in the Windows build, ModuleImageElf.cpp elsewhere.
#pragma once

#include <stdexcept>
#include <string_view>

#include "kel/host/ModuleFile.h"

namespace kel::host {

// Thrown by the format reader for bytes that are not a module of its format, or for a table
// that lies outside them; ReadModuleImage reports its text as the failure.
class DamagedImage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads `bytes` as a module of this build's object format. Throws DamagedImage.
ModuleFileContents ReadFormatImage(std::string_view bytes);

}  // namespace kel::host
