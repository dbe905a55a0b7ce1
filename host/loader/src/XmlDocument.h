// A parsed XML document reduced to what the manifest reader needs: elements, their text and
// their child elements.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kel/host/Outcome.h"

namespace kel::host::detail {

struct XmlElement {
  std::string name;  // UTF-8, namespace prefix included
  // The element's own character data (text and CDATA, entities resolved), concatenated in
  // document order and in UTF-8; the text of child elements is not part of it.
  std::string text;
  std::vector<XmlElement> children;  // in document order; comments are dropped
};

// Parses a whole document into its root element. Fails with "not well-formed XML: ..."
// naming the parser's reason and the line and column where it stopped.
Outcome<XmlElement> ParseXmlDocument(std::string_view bytes);

}  // namespace kel::host::detail
