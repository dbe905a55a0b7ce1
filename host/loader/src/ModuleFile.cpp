#include "kel/host/ModuleFile.h"

#include <algorithm>

#include "ModuleImageFormat.h"
#include "kel/host/MappedFile.h"

namespace kel::host {
namespace {

Outcome<MappedFile> MapFile(const std::string& path) {
  std::string error;
  std::optional<MappedFile> file = MappedFile::Open(path, error);
  if (!file) return Failure{path + ": " + error};
  return *std::move(file);
}

}  // namespace

bool ModuleFileContents::Exports(std::string_view name) const {
  return std::any_of(exports.begin(), exports.end(),
                     [name](const ExportedFunction& function) { return function.name == name; });
}

Outcome<ModuleFileContents> ReadModuleImage(std::string_view bytes, const ReadLimits& limits) {
  try {
    return ReadFormatImage(bytes, limits);
  } catch (const DamagedImage& damaged) {
    return Failure{damaged.what()};
  }
}

std::string ModuleFileName(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

Outcome<std::string> ReadFileBytes(const std::string& path, std::size_t maxSize) {
  const Outcome<MappedFile> file = MapFile(path);
  if (!file) return Failure{file.Error()};
  if (file.Value().Bytes().size() > maxSize) {
    return Failure{path + ": larger than " + std::to_string(maxSize) + " bytes"};
  }
  return std::string(file.Value().Bytes());
}

Outcome<ModuleFileContents> ReadModuleFile(const std::string& path) {
  // Mapped, not read: the reader touches the headers and the few tables it needs, and only
  // those pages are brought in.
  const Outcome<MappedFile> file = MapFile(path);
  if (!file) return Failure{file.Error()};
  Outcome<ModuleFileContents> contents = ReadModuleImage(file.Value().Bytes());
  if (!contents) return Failure{ModuleFileName(path) + ": " + contents.Error()};
  return contents;
}

}  // namespace kel::host
