#include "JsonText.h"

#include <string>

#include "TextEscaping.h"

namespace kel::kelhost {

Json JsonText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return Json(std::string(bytes));
  Json encoded = Json::object();
  encoded["hex"] = HexBytes(bytes);
  return encoded;
}

}  // namespace kel::kelhost
