// UTF-8 and UTF-16 conversion for the Windows platform files, which meet UTF-16 in every
// system call that takes or returns text. Included only by files built for Windows.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kel::platform {

// UTF-8 to UTF-16; nullopt for text that is not well-formed UTF-8.
std::optional<std::wstring> WidenUtf8(const std::string& text);

// `length` UTF-16 units at `text` as UTF-8; empty for null or empty text.
std::string NarrowToUtf8(const wchar_t* text, std::size_t length);

}  // namespace kel::platform
