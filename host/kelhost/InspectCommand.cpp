#include "InspectCommand.h"

#include <algorithm>
#include <cstddef>

#include "JsonText.h"
#include "TextEscaping.h"
#include "kel/ModuleEntry.h"
#include "kel/host/ImportServices.h"

namespace kel::kelhost {
namespace {

constexpr std::size_t kLabelWidth = 12;

std::string ServedBy(const host::ManifestImport& import) {
  const host::ImportService* service = host::FindImportService(import.contract);
  return service == nullptr ? std::string() : std::string(service->serviceName);
}

std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

// `label` and the first entry on one line, every further entry aligned under the first.
// Every entry is already escaped: a text from the file goes through Escaped, so no byte of it
// reaches the terminal as a control and no line break of it forges a row.
void AppendList(std::string& out, const std::string& label, const std::vector<std::string>& lines) {
  if (lines.empty()) {
    out += Padded(label, kLabelWidth) + "(none)\n";
    return;
  }
  for (std::size_t index = 0; index < lines.size(); ++index) {
    out += Padded(index == 0 ? label : std::string(), kLabelWidth) + lines[index] + "\n";
  }
}

std::vector<std::string> EscapedLines(const std::vector<std::string>& texts) {
  std::vector<std::string> lines;
  lines.reserve(texts.size());
  for (const std::string& text : texts) lines.push_back(Escaped(text));
  return lines;
}

std::vector<std::string> ImportLines(const host::PluginManifest& manifest) {
  std::size_t propertyWidth = 0;
  std::size_t contractWidth = 0;
  for (const host::ManifestImport& import : manifest.imports) {
    propertyWidth = std::max(propertyWidth, Escaped(import.property).size());
    contractWidth = std::max(contractWidth, Escaped(import.contract).size());
  }
  std::vector<std::string> lines;
  for (const host::ManifestImport& import : manifest.imports) {
    const std::string served = ServedBy(import);
    lines.push_back(Padded(Escaped(import.property), propertyWidth) + "  " +
                    Padded(Escaped(import.contract), contractWidth) + "  " +
                    (served.empty() ? "not served" : served));
  }
  return lines;
}

// Each export by its name, or "(ordinal N)" for one exported by ordinal only.
std::vector<std::string> ExportLines(const host::ModuleFileContents& file) {
  std::vector<std::string> lines;
  for (const host::ExportedFunction& function : file.exports) {
    lines.push_back(function.name.empty() ? "(ordinal " + std::to_string(function.ordinal) + ")"
                                          : function.name);
  }
  return lines;
}

}  // namespace

InspectReport InspectModule(const std::string& modulePath) {
  InspectReport report{modulePath, std::nullopt, std::nullopt, {}};
  host::Outcome<host::ModuleFileContents> contents = host::ReadModuleFile(modulePath);
  if (!contents) {
    report.problems.push_back(contents.Error());
    return report;
  }
  report.contents = std::move(contents).Value();
  const host::ModuleFileContents& file = *report.contents;
  if (!file.manifest.bytes) {
    report.problems.push_back("carries no plug-in manifest (" + file.manifest.location + ")");
  } else if (host::Outcome<host::PluginManifest> manifest =
                 host::ParsePluginManifest(*file.manifest.bytes)) {
    report.manifest = std::move(manifest).Value();
  } else {
    report.problems.push_back("plug-in manifest: " + manifest.Error());
  }
  if (report.manifest) {
    for (const host::ManifestImport& import : report.manifest->imports) {
      if (!ServedBy(import).empty()) continue;
      report.problems.push_back("import \"" + import.property + "\" needs contract \"" +
                                import.contract + "\", which this host does not serve");
    }
  }
  if (!file.Exports(kGetExportName)) {
    report.problems.push_back(std::string("does not export ") + kGetExportName);
  }
  return report;
}

std::string RenderInspectTable(const InspectReport& report) {
  std::string out;
  AppendList(out, "module:", {Escaped(report.modulePath)});
  if (report.contents) {
    const host::ModuleFileContents& file = *report.contents;
    AppendList(out, "format:", {Escaped(file.format)});
    std::string location = file.manifest.location;
    location += file.manifest.bytes ? ", " + std::to_string(file.manifest.bytes->size()) + " bytes"
                                    : std::string(", missing");
    AppendList(out, "manifest:", {Escaped(location)});
  }
  if (report.manifest) {
    AppendList(out, "export id:", {Escaped(report.manifest->exportId)});
    AppendList(out, "contracts:", EscapedLines(report.manifest->contracts));
    AppendList(out, "imports:", ImportLines(*report.manifest));
  }
  if (report.contents) AppendList(out, "exports:", EscapedLines(ExportLines(*report.contents)));
  AppendList(out, "problems:", EscapedLines(report.problems));
  return out;
}

std::string RenderInspectJson(const InspectReport& report) {
  Json document = Json::object();
  document["module"] = JsonText(report.modulePath);
  const host::ModuleFileContents* file = report.contents ? &*report.contents : nullptr;
  document["format"] = file != nullptr ? Json(file->format) : Json();
  document["manifest_location"] = file != nullptr ? Json(file->manifest.location) : Json();
  document["manifest_bytes"] =
      file != nullptr && file->manifest.bytes ? Json(file->manifest.bytes->size()) : Json();
  document["export_id"] = report.manifest ? JsonText(report.manifest->exportId) : Json();
  Json contracts = report.manifest ? Json::array() : Json();
  Json imports = report.manifest ? Json::array() : Json();
  if (report.manifest) {
    for (const std::string& contract : report.manifest->contracts) {
      contracts.push_back(JsonText(contract));
    }
    for (const host::ManifestImport& import : report.manifest->imports) {
      const std::string served = ServedBy(import);
      Json entry = Json::object();
      entry["property"] = JsonText(import.property);
      entry["contract"] = JsonText(import.contract);
      entry["served_by"] = served.empty() ? Json() : Json(served);
      imports.push_back(std::move(entry));
    }
  }
  document["contracts"] = std::move(contracts);
  document["imports"] = std::move(imports);
  Json exports = file != nullptr ? Json::array() : Json();
  if (file != nullptr) {
    for (const std::string& name : ExportLines(*file)) exports.push_back(JsonText(name));
  }
  document["exports"] = std::move(exports);
  Json problems = Json::array();
  for (const std::string& problem : report.problems) problems.push_back(JsonText(problem));
  document["problems"] = std::move(problems);
  // Every character beyond ASCII is written as \uXXXX, so no control character of the file
  // (C1 ones included) reaches a terminal that shows the document.
  return document.dump(2, ' ', true) + "\n";
}

}  // namespace kel::kelhost
