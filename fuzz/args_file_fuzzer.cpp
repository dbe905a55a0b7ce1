// libFuzzer target for the arguments file's split and for how kelhost shows what it read.
// Properties: a split that succeeds gives the input back when each argument is joined with
// its NUL, holds no NUL inside an argument and no more arguments than the limit; one that
// fails has a text and an input not ended by a NUL (or too many arguments); every argument
// shown (Quoted, Escaped) is well-formed UTF-8 with no control character in it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ArgumentsFile.h"
#include "FuzzCheck.h"
#include "TextEscaping.h"

namespace {

bool HoldsControl(std::string_view text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x20 || byte == 0x7F) return true;
    if (byte == 0xC2 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
      return true;
    }
  }
  return false;
}

void CheckShown(const std::string& shown) {
  FUZZ_CHECK(kel::kelhost::IsValidUtf8(shown));
  FUZZ_CHECK(!HoldsControl(shown));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const kel::host::Outcome<std::vector<std::string>> arguments =
      kel::kelhost::SplitNulTerminated(bytes);
  if (!arguments) {
    FUZZ_CHECK(!arguments.Error().empty());
    FUZZ_CHECK(!bytes.empty() && bytes.back() != '\0');
    return 0;
  }
  FUZZ_CHECK(arguments.Value().size() <= kel::kelhost::kMaxArguments);
  std::string joined;
  for (const std::string& argument : arguments.Value()) {
    FUZZ_CHECK(argument.find('\0') == std::string::npos);
    joined += argument;
    joined += '\0';
    CheckShown(kel::kelhost::Quoted(argument));
    CheckShown(kel::kelhost::Escaped(argument));
  }
  FUZZ_CHECK(joined == bytes);
  return 0;
}
