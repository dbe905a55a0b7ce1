// How kelhost shows byte strings that may hold any byte but NUL.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kel::kelhost {

// The length of the well-formed UTF-8 sequence that starts at bytes[at] (1 to 4), or 0 when
// none starts there: overlong forms, surrogates and code points above U+10FFFF are not
// well-formed.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at) noexcept;

// Whether every byte belongs to a well-formed UTF-8 sequence.
bool IsValidUtf8(std::string_view bytes) noexcept;

// `bytes` between double quotes, as the table shows it: well-formed UTF-8 stays as it is,
// except that '"' and '\' become \" and \\, tab, CR and LF become \t, \r and \n, other
// control bytes (below 0x20, 0x7F, and the C1 controls U+0080 to U+009F, byte by byte) and
// bytes outside well-formed UTF-8 become \xHH. The result is well-formed UTF-8, holds no
// control character and names the bytes unambiguously.
std::string Quoted(std::string_view bytes);

// `bytes` escaped as Quoted does but without the quotes, and with '"' as it is: how a line
// of text that came from a file, or a message quoting it, is shown.
std::string Escaped(std::string_view bytes);

// Columns `text` takes on a terminal: its code points, for well-formed UTF-8 text.
std::size_t DisplayWidth(std::string_view text) noexcept;

// Lower-case hexadecimal of every byte, two digits each.
std::string HexBytes(std::string_view bytes);

}  // namespace kel::kelhost
