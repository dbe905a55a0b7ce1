#include "GoldenCorpus.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads one line's fields and reports malformed input as "source:line: message".
class LineParser {
 public:
  LineParser(const std::string& source, int line, std::string_view rest)
      : source_(source), line_(line), rest_(rest) {}

  [[noreturn]] void Fail(const std::string& message) const {
    throw std::runtime_error(source_ + ":" + std::to_string(line_) + ": " + message);
  }

  std::string Quoted() {
    rest_ = SkipBlanks(rest_);
    if (rest_.empty() || rest_.front() != '"') Fail("expected a quoted string");
    rest_.remove_prefix(1);
    std::string bytes;
    while (!rest_.empty() && rest_.front() != '"') {
      const char c = rest_.front();
      rest_.remove_prefix(1);
      if (c != '\\') {
        bytes.push_back(c);
        continue;
      }
      bytes.push_back(Escape());
    }
    if (rest_.empty()) Fail("unterminated quoted string");
    rest_.remove_prefix(1);
    return bytes;
  }

  std::int32_t Integer() {
    rest_ = SkipBlanks(rest_);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(rest_.data(), rest_.data() + rest_.size(), value);
    if (error != std::errc()) Fail("expected a 32-bit integer");
    rest_.remove_prefix(static_cast<std::size_t>(end - rest_.data()));
    return value;
  }

  void ExpectEnd() {
    if (!SkipBlanks(rest_).empty()) Fail("unexpected text after the last field");
  }

 private:
  char Escape() {
    if (rest_.empty()) Fail("unterminated quoted string");
    const char c = rest_.front();
    rest_.remove_prefix(1);
    switch (c) {
      case '\\':
        return '\\';
      case '"':
        return '"';
      case 't':
        return '\t';
      case 'r':
        return '\r';
      case 'n':
        return '\n';
      case 'x':
        return HexByte();
      default:
        Fail(std::string("unknown escape \\") + c);
    }
  }

  char HexByte() {
    const int high = rest_.size() >= 2 ? HexDigit(rest_[0]) : -1;
    const int low = rest_.size() >= 2 ? HexDigit(rest_[1]) : -1;
    if (high < 0 || low < 0) Fail("\\x needs two hex digits");
    if (high == 0 && low == 0) Fail("NUL cannot occur in an argument");
    rest_.remove_prefix(2);
    return static_cast<char>(static_cast<unsigned char>(high * 16 + low));
  }

  const std::string& source_;
  int line_;
  std::string_view rest_;
};

struct OpenCase {
  GoldenCase goldenCase;
  bool argcGiven = false;
};

void FinishCase(OpenCase& open, const LineParser& parser) {
  GoldenCase& c = open.goldenCase;
  const auto lines = c.argv.size();
  if (!open.argcGiven) {
    if (lines > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
      parser.Fail("too many arg lines");
    }
    c.argc = static_cast<std::int32_t>(lines);
    return;
  }
  if (c.argc > 0 && static_cast<std::size_t>(c.argc) > lines) {
    parser.Fail("argc " + std::to_string(c.argc) + " exceeds the " + std::to_string(lines) +
                " arg lines of the case");
  }
}

}  // namespace

std::vector<GoldenCase> ParseGoldenCorpus(std::istream& in, const std::string& sourceName) {
  std::vector<GoldenCase> cases;
  std::optional<OpenCase> open;
  std::string raw;
  int lineNumber = 0;
  while (std::getline(in, raw)) {
    ++lineNumber;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    const std::string_view text = SkipBlanks(raw);
    if (text.empty() || text.front() == '#') continue;

    const std::size_t keywordEnd = std::min(text.find_first_of(" \t"), text.size());
    const std::string_view keyword = text.substr(0, keywordEnd);
    LineParser parser(sourceName, lineNumber, text.substr(keywordEnd));

    if (keyword == "case") {
      if (open) {
        parser.Fail("case before the end of the case at line " +
                    std::to_string(open->goldenCase.line));
      }
      const std::string_view description = SkipBlanks(text.substr(keywordEnd));
      if (description.empty()) parser.Fail("case without a description");
      open.emplace();
      open->goldenCase.description = std::string(description);
      open->goldenCase.source = sourceName;
      open->goldenCase.line = lineNumber;
      continue;
    }
    if (!open) parser.Fail("'" + std::string(keyword) + "' outside a case");
    GoldenCase& current = open->goldenCase;

    if (keyword == "argc") {
      if (open->argcGiven) parser.Fail("argc given twice");
      current.argc = parser.Integer();
      parser.ExpectEnd();
      open->argcGiven = true;
    } else if (keyword == "arg") {
      current.argv.push_back(parser.Quoted());
      parser.ExpectEnd();
    } else if (keyword == "option") {
      std::string name = parser.Quoted();
      std::string value = parser.Quoted();
      parser.ExpectEnd();
      current.options.emplace_back(std::move(name), std::move(value));
    } else if (keyword == "free") {
      current.freeArguments.push_back(parser.Quoted());
      parser.ExpectEnd();
    } else if (keyword == "end") {
      parser.ExpectEnd();
      FinishCase(*open, parser);
      cases.push_back(std::move(current));
      open.reset();
    } else {
      parser.Fail("unknown keyword '" + std::string(keyword) + "'");
    }
  }
  if (in.bad()) throw std::runtime_error(sourceName + ": read error");
  if (open) {
    LineParser(sourceName, open->goldenCase.line, {}).Fail("case not closed by 'end'");
  }
  return cases;
}

std::vector<GoldenCase> ReadGoldenCorpus(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot open the golden corpus");
  return ParseGoldenCorpus(in, path);
}

std::vector<const char*> MakeArgv(const GoldenCase& goldenCase) {
  std::vector<const char*> argv;
  argv.reserve(goldenCase.argv.size() + 1);
  for (const std::string& argument : goldenCase.argv) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  return argv;
}

std::string DescribeCase(const GoldenCase& goldenCase) {
  return goldenCase.source + ":" + std::to_string(goldenCase.line) + ": " + goldenCase.description;
}
