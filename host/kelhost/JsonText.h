// Byte strings in kelhost's JSON output.
#pragma once

#include <string_view>

#include <nlohmann/json.hpp>

namespace kel::kelhost {

using Json = nlohmann::ordered_json;

// A JSON string when `bytes` are well-formed UTF-8 (JSON texts are UTF-8, so these pass
// unchanged); otherwise {"hex": "<every byte as two lower-case hex digits>"}, since a JSON
// string cannot carry bytes that are not UTF-8. Either way the bytes can be recovered
// exactly.
Json JsonText(std::string_view bytes);

}  // namespace kel::kelhost
