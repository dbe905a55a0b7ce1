#include "kel/host/ModuleFile.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace kel::host {

std::string ModuleFileName(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

Outcome<std::string> ReadFileBytes(const std::string& path) {
  std::filesystem::path location;
  try {
    // Taken as UTF-8: unchanged where paths are bytes, converted where they are UTF-16.
    location = std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
  } catch (const std::exception&) {
    return Failure{path + ": not a valid path"};
  }
  std::error_code error;
  if (!std::filesystem::is_regular_file(location, error)) {
    return Failure{path + ": " + (error ? error.message() : std::string("not a regular file"))};
  }
  std::ifstream file(location, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad() || !file.is_open()) return Failure{path + ": cannot read the file"};
  return bytes;
}

Outcome<ModuleFileContents> ReadModuleFile(const std::string& path) {
  Outcome<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return Failure{bytes.Error()};
  Outcome<ModuleFileContents> contents = ReadModuleImage(bytes.Value());
  if (!contents) return Failure{ModuleFileName(path) + ": " + contents.Error()};
  return contents;
}

}  // namespace kel::host
