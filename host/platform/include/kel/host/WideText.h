// UTF-8 and UTF-16 conversion for the host's Windows files, which meet UTF-16 in every system
// call that takes or returns text. Included only by files built for Windows.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kel::host {

// UTF-8 to UTF-16; nullopt for text that is not well-formed UTF-8.
std::optional<std::wstring> WidenUtf8(const std::string& text);

// `length` UTF-16 units at `text` as UTF-8; empty for null or empty text.
std::string NarrowToUtf8(const wchar_t* text, std::size_t length);

// The system's text for the error code `code` (a GetLastError value) in UTF-8, without its
// final line end, followed by " (error CODE)".
std::string SystemMessage(unsigned long code);

}  // namespace kel::host
