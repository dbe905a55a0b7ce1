#include "kel/host/PluginManifest.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "XmlDocument.h"

namespace kel::host {
namespace {

using detail::XmlElement;

constexpr std::string_view kXmlWhiteSpace = " \t\r\n";

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kXmlWhiteSpace);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(kXmlWhiteSpace);
  return std::string(text.substr(first, last - first + 1));
}

std::vector<const XmlElement*> ChildrenNamed(const XmlElement& parent, std::string_view name) {
  std::vector<const XmlElement*> found;
  for (const XmlElement& child : parent.children) {
    if (child.name == name) found.push_back(&child);
  }
  return found;
}

// The trimmed text of the one child `name` of `parent`; `where` names the parent in the
// failure text ("<export>", "<import> 2").
Outcome<std::string> OnlyChildText(const XmlElement& parent, std::string_view name,
                                   const std::string& where) {
  const std::vector<const XmlElement*> found = ChildrenNamed(parent, name);
  const std::string element = "<" + std::string(name) + ">";
  if (found.size() != 1) {
    return Failure{where + " has " + std::to_string(found.size()) + " " + element +
                   " elements, expected exactly one"};
  }
  std::string text = Trimmed(found.front()->text);
  if (text.empty()) return Failure{where + " has an empty " + element};
  return text;
}

Outcome<ManifestImport> ReadImport(const XmlElement& element, std::size_t number) {
  const std::string where = "<import> " + std::to_string(number);
  Outcome<std::string> property = OnlyChildText(element, "property", where);
  if (!property) return Failure{property.Error()};
  Outcome<std::string> contract = OnlyChildText(element, "contract", where);
  if (!contract) return Failure{contract.Error()};
  return ManifestImport{std::move(property).Value(), std::move(contract).Value()};
}

Outcome<PluginManifest> ReadExport(const XmlElement& exportElement) {
  PluginManifest manifest;
  Outcome<std::string> id = OnlyChildText(exportElement, "id", "<export>");
  if (!id) return Failure{id.Error()};
  manifest.exportId = std::move(id).Value();

  for (const XmlElement* contract : ChildrenNamed(exportElement, "contract")) {
    std::string text = Trimmed(contract->text);
    if (text.empty()) return Failure{"<export> has an empty <contract>"};
    manifest.contracts.push_back(std::move(text));
  }
  std::size_t number = 0;
  for (const XmlElement* import : ChildrenNamed(exportElement, "import")) {
    Outcome<ManifestImport> read = ReadImport(*import, ++number);
    if (!read) return Failure{read.Error()};
    manifest.imports.push_back(std::move(read).Value());
  }
  return manifest;
}

}  // namespace

Outcome<PluginManifest> ParsePluginManifest(std::string_view xml) {
  if (xml.size() > kMaxManifestBytes) {
    return Failure{"the manifest is " + std::to_string(xml.size()) + " bytes, more than " +
                   std::to_string(kMaxManifestBytes)};
  }
  const Outcome<XmlElement> document = detail::ParseXmlDocument(xml);
  if (!document) return Failure{document.Error()};
  const XmlElement& root = document.Value();
  if (root.name != "plugcfg") {
    return Failure{"root element is <" + root.name + ">, expected <plugcfg>"};
  }
  const std::vector<const XmlElement*> exports = ChildrenNamed(root, "export");
  if (exports.size() != 1) {
    return Failure{"<plugcfg> has " + std::to_string(exports.size()) +
                   " <export> elements, expected exactly one"};
  }
  return ReadExport(*exports.front());
}

}  // namespace kel::host
