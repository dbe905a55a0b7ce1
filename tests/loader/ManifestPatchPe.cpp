// The PE module's manifest: the resource data, found by its bytes, and its resource data
// entry (data address, size, code page 1252, reserved 0), found by the last three fields.
#include "ManifestPatch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace kel::host::testing {
namespace {

std::string Word(std::uint32_t value) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &value, 4);  // PE is little-endian, as this test host
  return bytes;
}

// The offset of the one occurrence of `pattern`, or npos when there is none or several.
std::size_t FindOnce(const std::string& bytes, const std::string& pattern) {
  const std::size_t at = bytes.find(pattern);
  if (at == std::string::npos || bytes.find(pattern, at + 1) != std::string::npos) {
    return std::string::npos;
  }
  return at;
}

}  // namespace

std::string WithManifest(std::string moduleBytes, std::string_view original,
                         std::string_view replacement) {
  EXPECT_LE(replacement.size(), original.size());
  const std::size_t data = FindOnce(moduleBytes, std::string(original));
  const std::size_t entry = FindOnce(
      moduleBytes, Word(static_cast<std::uint32_t>(original.size())) + Word(1252) + Word(0));
  if (data == std::string::npos || entry == std::string::npos) {
    ADD_FAILURE() << "the manifest resource is not in the module file exactly once";
    return moduleBytes;
  }
  moduleBytes.replace(entry, 4, Word(static_cast<std::uint32_t>(replacement.size())));
  moduleBytes.replace(
      data, original.size(),
      std::string(replacement) + std::string(original.size() - replacement.size(), '\0'));
  return moduleBytes;
}

}  // namespace kel::host::testing
