// What kelhost prints after a parse, as a table or as one JSON document.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Explanation.h"
#include "ParseThroughModule.h"

namespace kel::kelhost {

struct ParseReport {
  ParseResult result;
  // Present with --explain.
  std::optional<std::vector<ArgumentExplanation>> explanations;
  // With --json: the lines the module wrote on standard output while it was loaded, in
  // order, without their line ends.
  std::optional<std::vector<std::string>> moduleOutput;
};

// The aligned table: "options: N", one line per option (name and value quoted as Quoted()
// shows them, the '=' signs aligned), "free arguments: N", one line per free argument, and
// with --explain "explain: N arguments" and one line per argument. Every line ends in "\n".
std::string RenderTable(const ParseReport& report);

// One JSON document followed by "\n":
//   {"options": [{"name": N, "value": V}, ...], "free_arguments": [F, ...],
//    "explain": [{"position", "argument", "trimmed", "row", "shape", "outcome", ...}, ...],
//    "module_output": [L, ...]}
// "explain" only with --explain, "module_output" when captured. Texts are encoded by
// JsonText.
std::string RenderJson(const ParseReport& report);

}  // namespace kel::kelhost
