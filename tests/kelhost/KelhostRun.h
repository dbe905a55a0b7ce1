// Running the built kelhost and reading what it printed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "Subprocess.h"

namespace kel::kelhost::testing {

// The built tools and module (absolute paths; wine maps them through drive Z:).
inline constexpr char kKelhostPath[] = KELHOST_PATH;
inline constexpr char kModulePath[] = KEL_MODULE_PATH;

ProcessResult RunKelhost(const std::vector<std::string>& arguments);

// `text` written with "\n" line ends, as the process's standard streams write it (CR LF
// where the C runtime translates line ends).
std::string WithStreamLineEnds(std::string_view text);

// The lines of `text`, without their line ends ("\n" or "\r\n").
std::vector<std::string> SplitLines(std::string_view text);

// The JSON document between the module's "PlugDLL created" and "PlugDLL deleted" lines, as
// kelhost --help tells a consumer to read it; nullopt (and a test failure) when the lines
// are missing or what lies between them is not one JSON document.
std::optional<nlohmann::json> JsonBetweenModuleLines(std::string_view output);

// The bytes a kelhost JSON text stands for: a string's UTF-8, or the bytes of {"hex": ...}.
std::string DecodeText(const nlohmann::json& text);

// The options of a kelhost JSON document as (name, value) pairs, in document order.
std::vector<std::pair<std::string, std::string>> DecodeOptions(const nlohmann::json& document);
// Its free arguments, in document order.
std::vector<std::string> DecodeFreeArguments(const nlohmann::json& document);

// Each argument followed by a NUL byte: the content of an --args-file.
std::string NulTerminated(const std::vector<std::string>& arguments);

}  // namespace kel::kelhost::testing
