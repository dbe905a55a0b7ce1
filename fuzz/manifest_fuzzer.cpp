// libFuzzer target for the manifest reader and the XML reader under it. Properties: no
// crash, no read outside the input; an input that is not well-formed UTF-8 or larger than
// the limit is refused; every text read is well-formed UTF-8 without NUL, trimmed of XML
// white space and not empty; a failure has a text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "TextEscaping.h"
#include "kel/host/PluginManifest.h"

namespace {

void CheckText(const std::string& text) {
  FUZZ_CHECK(!text.empty());
  FUZZ_CHECK(kel::kelhost::IsValidUtf8(text));
  FUZZ_CHECK(text.find('\0') == std::string::npos);
  FUZZ_CHECK(text.find_first_of(" \t\r\n") != 0);
  FUZZ_CHECK(text.find_last_of(" \t\r\n") != text.size() - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view xml(reinterpret_cast<const char*>(data), size);
  const kel::host::Outcome<kel::host::PluginManifest> manifest =
      kel::host::ParsePluginManifest(xml);
  if (!manifest) {
    FUZZ_CHECK(!manifest.Error().empty());
    return 0;
  }
  FUZZ_CHECK(size <= kel::host::kMaxManifestBytes);
  FUZZ_CHECK(kel::kelhost::IsValidUtf8(xml));
  CheckText(manifest.Value().exportId);
  for (const std::string& contract : manifest.Value().contracts) CheckText(contract);
  for (const kel::host::ManifestImport& import : manifest.Value().imports) {
    CheckText(import.property);
    CheckText(import.contract);
  }
  return 0;
}
