// XML documents through pugixml (the Linux build).
#include "XmlDocument.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstddef>

namespace kel::host::detail {
namespace {

XmlElement Convert(const pugi::xml_node& node) {
  XmlElement element{node.name(), {}, {}};
  for (const pugi::xml_node& child : node.children()) {
    switch (child.type()) {
      case pugi::node_element:
        element.children.push_back(Convert(child));
        break;
      case pugi::node_pcdata:
      case pugi::node_cdata:
        element.text += child.value();
        break;
      default:
        break;
    }
  }
  return element;
}

// 1-based line and column of byte `offset`.
std::string Position(std::string_view bytes, std::ptrdiff_t offset) {
  const std::size_t end =
      std::min(bytes.size(), static_cast<std::size_t>(std::max<std::ptrdiff_t>(offset, 0)));
  const std::string_view before = bytes.substr(0, end);
  const std::size_t line =
      1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
  const std::size_t lineStart = before.rfind('\n');
  const std::size_t column = lineStart == std::string_view::npos ? end + 1 : end - lineStart;
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

Outcome<XmlElement> ParseXmlDocument(std::string_view bytes) {
  pugi::xml_document document;
  // Comments, processing instructions and white-space-only character data are left out. The
  // encoding is UTF-8 unless a byte-order mark or declaration says otherwise.
  const pugi::xml_parse_result parsed =
      document.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
  if (!parsed) {
    return Failure{std::string("not well-formed XML: ") + parsed.description() + " at " +
                   Position(bytes, parsed.offset)};
  }
  // pugixml accepts several top-level elements; a document has exactly one.
  std::size_t roots = 0;
  for (const pugi::xml_node& node : document.children()) {
    if (node.type() == pugi::node_element) ++roots;
  }
  if (roots != 1) {
    return Failure{"not well-formed XML: " + std::to_string(roots) +
                   " top-level elements, expected one"};
  }
  return Convert(document.document_element());
}

}  // namespace kel::host::detail
