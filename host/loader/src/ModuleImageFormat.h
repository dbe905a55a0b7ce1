// What ReadModuleImage shares with the one object-format reader of the build:
// ModuleImagePe.cpp in the Windows build, ModuleImageElf.cpp elsewhere.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kel/host/ModuleFile.h"

namespace kel::host {

// Thrown by the format reader for bytes that are not a module of its format, for a table
// that lies outside them, or for a file that asks for more than ReadLimits allow;
// ReadModuleImage reports its text as the failure.
class DamagedImage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every name the reader copies out of the file (exports, needed libraries, the export
// directory's module name) is charged here, so that no file, however its tables point into
// its strings, makes the reader copy more than `maxNamesTotal` bytes or scan more than that
// and one name's length looking for NULs.
class NameBudget {
 public:
  explicit NameBudget(const ReadLimits& limits) noexcept : limits_(limits) {}

  // The text from the start of `rest` to its first NUL, charged to the budget. Throws
  // DamagedImage naming the text as `what` ("an export name at 0x...") when no NUL ends it within
  // `rest`, when it is longer than one name may be, or when it takes the names past their budget.
  std::string Take(std::string_view rest, const std::string& what);

  // Throws DamagedImage naming `what` when `count` entries are more than a table may hold.
  void CheckEntries(std::size_t count, const std::string& what) const;

 private:
  ReadLimits limits_;
  std::size_t taken_ = 0;
};

// Reads `bytes` as a module of this build's object format within `limits`. Throws
// DamagedImage.
ModuleFileContents ReadFormatImage(std::string_view bytes, const ReadLimits& limits);

}  // namespace kel::host
