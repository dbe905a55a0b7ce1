// The ELF module's manifest: a note header (name size 8, descriptor size, type 1), the
// owner "PLUGCFG" with its NUL, then the descriptor, the manifest's bytes.
#include "ManifestPatch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace kel::host::testing {
namespace {

std::string Word(std::uint32_t value) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &value, 4);  // the module is little-endian, as this test host
  return bytes;
}

}  // namespace

std::string WithManifest(std::string moduleBytes, std::string_view original,
                         std::string_view replacement) {
  EXPECT_LE(replacement.size(), original.size());
  const std::string header = Word(8) + Word(static_cast<std::uint32_t>(original.size())) + Word(1) +
                             std::string("PLUGCFG\0", 8) + std::string(original);
  const std::size_t at = moduleBytes.find(header);
  if (at == std::string::npos || moduleBytes.find(header, at + 1) != std::string::npos) {
    ADD_FAILURE() << "the manifest note is not in the module file exactly once";
    return moduleBytes;
  }
  const std::string size = Word(static_cast<std::uint32_t>(replacement.size()));
  moduleBytes.replace(at + 4, 4, size);
  const std::size_t descriptor = at + 20;
  moduleBytes.replace(
      descriptor, original.size(),
      std::string(replacement) + std::string(original.size() - replacement.size(), '\0'));
  return moduleBytes;
}

}  // namespace kel::host::testing
