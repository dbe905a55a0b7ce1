#include "TextEscaping.h"

namespace kel::kelhost {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool IsContinuation(unsigned char byte) noexcept {
  return (byte & 0xC0u) == 0x80u;
}

void AppendHexEscape(std::string& out, unsigned char byte) {
  out += "\\x";
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0xFu];
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at) noexcept {
  const auto byte = [&](std::size_t offset) {
    return static_cast<unsigned char>(bytes[at + offset]);
  };
  const unsigned char lead = byte(0);
  if (lead < 0x80u) return 1;
  std::size_t length = 0;
  unsigned char secondMin = 0x80u;
  unsigned char secondMax = 0xBFu;
  if (lead >= 0xC2u && lead <= 0xDFu) {
    length = 2;
  } else if (lead >= 0xE0u && lead <= 0xEFu) {
    length = 3;
    if (lead == 0xE0u) secondMin = 0xA0u;  // no overlong forms
    if (lead == 0xEDu) secondMax = 0x9Fu;  // no surrogates
  } else if (lead >= 0xF0u && lead <= 0xF4u) {
    length = 4;
    if (lead == 0xF0u) secondMin = 0x90u;  // no overlong forms
    if (lead == 0xF4u) secondMax = 0x8Fu;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (bytes.size() - at < length) return 0;
  if (byte(1) < secondMin || byte(1) > secondMax) return 0;
  for (std::size_t offset = 2; offset < length; ++offset) {
    if (!IsContinuation(byte(offset))) return 0;
  }
  return length;
}

bool IsValidUtf8(std::string_view bytes) noexcept {
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = Utf8SequenceLength(bytes, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

namespace {

// `bytes` escaped onto `out` as Quoted describes; '"' is escaped only when `quote` is set.
void AppendEscaped(std::string& out, std::string_view bytes, bool quote) {
  for (std::size_t at = 0; at < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = Utf8SequenceLength(bytes, at);
    // C1 controls (U+0080 to U+009F) are well-formed UTF-8, yet terminals act on them.
    const bool c1Control =
        length == 2 && byte == 0xC2u && static_cast<unsigned char>(bytes[at + 1]) < 0xA0u;
    if (length == 0 || c1Control) {
      const std::size_t escaped = length == 0 ? 1 : length;
      for (std::size_t offset = 0; offset < escaped; ++offset) {
        AppendHexEscape(out, static_cast<unsigned char>(bytes[at + offset]));
      }
      at += escaped;
      continue;
    }
    if (length > 1) {
      out.append(bytes.substr(at, length));
      at += length;
      continue;
    }
    switch (byte) {
      case '"':
        out += quote ? "\\\"" : "\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        if (byte < 0x20u || byte == 0x7Fu) {
          AppendHexEscape(out, byte);
        } else {
          out += static_cast<char>(byte);
        }
    }
    ++at;
  }
}

}  // namespace

std::string Quoted(std::string_view bytes) {
  std::string out = "\"";
  AppendEscaped(out, bytes, true);
  out += '"';
  return out;
}

std::string Escaped(std::string_view bytes) {
  std::string out;
  AppendEscaped(out, bytes, false);
  return out;
}

std::size_t DisplayWidth(std::string_view text) noexcept {
  std::size_t width = 0;
  for (const char c : text) {
    if (!IsContinuation(static_cast<unsigned char>(c))) ++width;
  }
  return width;
}

std::string HexBytes(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xFu];
  }
  return out;
}

}  // namespace kel::kelhost
