#include "GoldenCorpus.h"

#include <charconv>
#include <fstream>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string_view>

namespace {

// The kinds of line, blanks allowed around every field. A quoted field holds any byte but an
// unescaped '"'; Unquoted resolves its escapes.
const std::string kQuoted = R"re([ \t]+"((?:[^"\\]|\\.)*)")re";
const std::regex kNothing(R"([ \t]*(#.*)?)");
const std::regex kCase(R"([ \t]*case[ \t]+(.+))");
const std::regex kArgc(R"([ \t]*argc[ \t]+(-?[0-9]+)[ \t]*)");
const std::regex kArgument(R"([ \t]*(arg|free))" + kQuoted + R"([ \t]*)");
const std::regex kOption(R"([ \t]*option)" + kQuoted + kQuoted + R"([ \t]*)");
const std::regex kEnd(R"([ \t]*end[ \t]*)");

// \\ \" \t \r \n and \xHH stand for one byte each; NUL cannot occur in an argument.
std::string Unquoted(const std::string& quoted, const std::string& where) {
  static constexpr std::string_view kEscapes = "\\\\\"\"t\tr\rn\n";
  std::string bytes;
  for (std::size_t at = 0; at < quoted.size(); ++at) {
    if (quoted[at] != '\\') {
      bytes += quoted[at];
      continue;
    }
    const char c = quoted[++at];  // kQuoted has a byte after every backslash
    unsigned byte = 0;
    if (const std::size_t escape = kEscapes.find(c); escape % 2 == 0) {
      bytes += kEscapes[escape + 1];
    } else if (c == 'x' && quoted.size() - at >= 3 &&
               std::from_chars(&quoted[at + 1], &quoted[at + 3], byte, 16).ptr == &quoted[at + 3] &&
               byte != 0) {
      bytes += static_cast<char>(byte);
      at += 2;
    } else {
      throw std::runtime_error(where +
                               "an escape other than \\\\ \\\" \\t \\r \\n or \\x01 to \\xFF");
    }
  }
  return bytes;
}

}  // namespace

std::vector<GoldenCase> ReadGoldenCorpus(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot open the golden corpus");
  std::vector<GoldenCase> cases;
  std::optional<GoldenCase> open;
  bool argcGiven = false;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const std::string where = path + ":" + std::to_string(line) + ": ";
    const auto fail = [&where](const std::string& message) {
      throw std::runtime_error(where + message);
    };
    std::smatch field;
    if (std::regex_match(text, kNothing)) continue;
    if (std::regex_match(text, field, kCase)) {
      if (open) fail("case before the end of " + open->description);
      open = GoldenCase{where + field[1].str()};
      argcGiven = false;
    } else if (!open) {
      fail("outside a case");
    } else if (std::regex_match(text, field, kArgc)) {
      if (argcGiven) fail("argc given twice");
      open->argc = std::stoi(field[1]);
      argcGiven = true;
    } else if (std::regex_match(text, field, kArgument)) {
      (field[1] == "arg" ? open->argv : open->freeArguments).push_back(Unquoted(field[2], where));
    } else if (std::regex_match(text, field, kOption)) {
      open->options.emplace_back(Unquoted(field[1], where), Unquoted(field[2], where));
    } else if (std::regex_match(text, kEnd)) {
      // argv may be longer than argc, never shorter: a replay reads argv[1] to argv[argc - 1].
      if (!argcGiven) open->argc = static_cast<std::int32_t>(open->argv.size());
      if (open->argc > static_cast<std::int64_t>(open->argv.size())) {
        fail("argc exceeds the arg lines of the case");
      }
      cases.push_back(std::move(*open));
      open.reset();
    } else {
      fail("not a line of the corpus");
    }
  }
  if (in.bad()) throw std::runtime_error(path + ": read error");
  if (open) throw std::runtime_error(open->description + ": case not closed by 'end'");
  return cases;
}
