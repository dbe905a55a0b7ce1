// libFuzzer target for the build's object-format reader: compiled once with the PE reader
// (pe_reader_fuzzer) and once with the ELF reader (elf_reader_fuzzer). Each input is read
// within small limits, so that inputs of a few KiB reach them, and again within the default
// ones. Properties: no crash, no read outside the input (AddressSanitizer); a failure is a
// DamagedImage with a text; what is read keeps to the limits; every name read lies in the
// input, ended by a NUL; every manifest is no larger than the input; and reading within
// larger limits never loses what the smaller ones allowed.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "ModuleImageFormat.h"

namespace {

using kel::host::DamagedImage;
using kel::host::ModuleFileContents;
using kel::host::ReadLimits;

constexpr ReadLimits kSmallLimits{256, 4096, 64};

std::optional<ModuleFileContents> Read(std::string_view bytes, const ReadLimits& limits) {
  try {
    return kel::host::ReadFormatImage(bytes, limits);
  } catch (const DamagedImage& damaged) {
    FUZZ_CHECK(damaged.what()[0] != '\0');
    return std::nullopt;
  }
}

// Checks one name read from `bytes`; adds its length to `total`.
void CheckName(std::string_view bytes, const std::string& name, const ReadLimits& limits,
               std::size_t& total) {
  FUZZ_CHECK(name.size() <= limits.maxNameLength);
  FUZZ_CHECK(name.find('\0') == std::string::npos);
  FUZZ_CHECK(bytes.find(std::string_view(name.c_str(), name.size() + 1)) != bytes.npos);
  total += name.size();
}

void CheckContents(std::string_view bytes, const ModuleFileContents& contents,
                   const ReadLimits& limits) {
  std::size_t total = 0;
  if (!contents.exportDirectoryName.empty()) {
    CheckName(bytes, contents.exportDirectoryName, limits, total);
  }
  FUZZ_CHECK(contents.exports.size() <= limits.maxEntries);
  for (const auto& function : contents.exports) {
    if (!function.name.empty()) CheckName(bytes, function.name, limits, total);
  }
  FUZZ_CHECK(contents.neededLibraries.size() <= 2 * limits.maxEntries);
  for (const std::string& library : contents.neededLibraries) {
    CheckName(bytes, library, limits, total);
  }
  FUZZ_CHECK(total <= limits.maxNamesTotal);
  FUZZ_CHECK(!contents.manifest.location.empty());
  for (const auto* manifest : {&contents.manifest, &contents.applicationManifest}) {
    FUZZ_CHECK(!manifest->bytes || manifest->bytes->size() <= bytes.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<ModuleFileContents> small = Read(bytes, kSmallLimits);
  if (small) CheckContents(bytes, *small, kSmallLimits);
  const std::optional<ModuleFileContents> full = Read(bytes, ReadLimits{});
  if (full) CheckContents(bytes, *full, ReadLimits{});
  if (small) {
    FUZZ_CHECK(full.has_value());
    FUZZ_CHECK(full->exports == small->exports);
    FUZZ_CHECK(full->neededLibraries == small->neededLibraries);
    FUZZ_CHECK(full->manifest.bytes == small->manifest.bytes);
  }
  return 0;
}
