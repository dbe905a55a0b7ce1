// XML documents read straight from their bytes, the same way on every platform. What a
// manifest can hold is read: an XML declaration, comments, processing instructions, elements
// with attributes, character data, CDATA sections, the five predefined entities and character
// references. A document type declaration is refused, so no other entity can exist, and so is
// every way a document can be malformed. Bytes must be well-formed UTF-8 (a byte-order mark
// is skipped), and a declared encoding must be UTF-8; line ends in text become "\n".
#include "XmlDocument.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kel::host::detail {
namespace {

// Deeper documents are refused rather than read, so no input makes the tree unbounded.
constexpr std::size_t kMaxDepth = 256;

// Thrown inside this file only: why the document is malformed, and at which byte.
class Malformed : public std::runtime_error {
 public:
  Malformed(const std::string& reason, std::size_t at) : std::runtime_error(reason), offset(at) {}

  std::size_t offset;
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The offset of the first byte that does not belong to a well-formed UTF-8 sequence (no
// overlong forms, surrogates or code points above U+10FFFF), or npos.
std::size_t FirstInvalidUtf8(std::string_view bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    std::size_t length = 0;
    unsigned char secondMin = 0x80;
    unsigned char secondMax = 0xBF;
    if (lead < 0x80) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) secondMin = 0xA0;
      if (lead == 0xED) secondMax = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) secondMin = 0x90;
      if (lead == 0xF4) secondMax = 0x8F;
    } else {
      return at;
    }
    if (bytes.size() - at < length) return at;
    for (std::size_t offset = 1; offset < length; ++offset) {
      const auto byte = static_cast<unsigned char>(bytes[at + offset]);
      const unsigned char low = offset == 1 ? secondMin : 0x80;
      const unsigned char high = offset == 1 ? secondMax : 0xBF;
      if (byte < low || byte > high) return at;
    }
    at += length;
  }
  return std::string_view::npos;
}

bool EqualsIgnoringAsciiCase(std::string_view text, std::string_view lowerCase) {
  return text.size() == lowerCase.size() &&
         std::equal(text.begin(), text.end(), lowerCase.begin(), [](char c, char lower) {
           return (c >= 'A' && c <= 'Z' ? c | 0x20 : c) == lower;
         });
}

// Names are ASCII letters, '_' and ':' first, then digits, '-' and '.' too; every byte of a
// multi-byte UTF-8 sequence counts as a name character.
bool IsNameStart(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte == '_' ||
         byte == ':' || byte >= 0x80;
}

bool IsNameCharacter(char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Whether `code` is a character an XML document may hold.
bool IsXmlCharacter(std::uint32_t code) {
  return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
         (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

void AppendUtf8(std::string& text, std::uint32_t code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (code >> 18));
    text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The code point `digits` name in `base`, or UINT32_MAX when they name none.
std::uint32_t ParseCodePoint(std::string_view digits, std::uint32_t base) {
  if (digits.empty()) return UINT32_MAX;
  std::uint32_t code = 0;
  for (const char c : digits) {
    std::uint32_t digit = base;
    if (c >= '0' && c <= '9') digit = static_cast<std::uint32_t>(c - '0');
    if (base == 16 && c >= 'a' && c <= 'f') digit = static_cast<std::uint32_t>(c - 'a' + 10);
    if (base == 16 && c >= 'A' && c <= 'F') digit = static_cast<std::uint32_t>(c - 'A' + 10);
    if (digit >= base || code > 0x10FFFF) return UINT32_MAX;
    code = code * base + digit;
  }
  return code;
}

// `text` appended with each CR LF and each lone CR made "\n".
void AppendWithLineEnds(std::string& out, std::string_view text) {
  for (std::size_t index = 0; index < text.size(); ++index) {
    if (text[index] != '\r') {
      out += text[index];
      continue;
    }
    out += '\n';
    if (index + 1 < text.size() && text[index + 1] == '\n') ++index;
  }
}

class XmlReader {
 public:
  explicit XmlReader(std::string_view bytes) : bytes_(bytes) {}

  XmlElement ReadDocument() {
    if (const std::size_t invalid = FirstInvalidUtf8(bytes_); invalid != std::string_view::npos) {
      at_ = invalid;
      Fail("a byte that is not UTF-8");
    }
    if (LooksAt("\xEF\xBB\xBF")) at_ += 3;
    if (LooksAt("<?xml") && bytes_.size() > at_ + 5 && IsSpace(bytes_[at_ + 5])) {
      at_ += 5;
      const std::size_t declaration = at_;
      CheckEncoding(Until("?>", "the XML declaration"), declaration);
    }
    SkipMisc();
    if (LooksAt("<!DOCTYPE")) Fail("a document type declaration is not read");
    if (AtEnd()) Fail("no root element");
    if (!LooksAt("<")) Fail("text outside the root element");
    XmlElement root = ReadElementTree();
    SkipMisc();
    if (!AtEnd()) Fail("content after the root element");
    return root;
  }

 private:
  bool AtEnd() const { return at_ >= bytes_.size(); }
  bool LooksAt(std::string_view text) const { return bytes_.substr(at_).starts_with(text); }

  [[noreturn]] void Fail(const std::string& reason) const { throw Malformed(reason, at_); }

  // Refuses an encoding other than UTF-8 named in the XML declaration `body`, which starts
  // at byte `start`: the bytes are read as UTF-8 whatever it says.
  static void CheckEncoding(std::string_view body, std::size_t start) {
    const std::size_t name = body.find("encoding");
    if (name == std::string_view::npos) return;
    std::size_t at = name + 8;
    while (at < body.size() && IsSpace(body[at])) ++at;
    if (at < body.size() && body[at] == '=') ++at;
    while (at < body.size() && IsSpace(body[at])) ++at;
    const char quote = at < body.size() ? body[at] : '\0';
    const std::size_t end = quote == '"' || quote == '\'' ? body.find(quote, at + 1) : body.npos;
    if (end == std::string_view::npos) {
      throw Malformed("an encoding declaration without a quoted name", start + name);
    }
    const std::string_view encoding = body.substr(at + 1, end - at - 1);
    if (!EqualsIgnoringAsciiCase(encoding, "utf-8")) {
      throw Malformed("the declared encoding \"" + std::string(encoding) + "\" is not UTF-8",
                      start + name);
    }
  }

  void Expect(std::string_view text, const std::string& reason) {
    if (!LooksAt(text)) Fail(reason);
    at_ += text.size();
  }

  bool SkipSpaces() {
    const std::size_t start = at_;
    while (!AtEnd() && IsSpace(bytes_[at_])) ++at_;
    return at_ > start;
  }

  void CheckCharacter(char c) const {
    if (!IsXmlCharacter(static_cast<unsigned char>(c))) Fail("a control character");
  }

  // Everything up to `end`, which is taken too; `what` names the construct it ends.
  std::string_view Until(std::string_view end, const std::string& what) {
    const std::size_t start = at_;
    const std::size_t found = bytes_.find(end, at_);
    if (found == std::string_view::npos) {
      at_ = bytes_.size();
      Fail("the input ends inside " + what);
    }
    for (; at_ < found; ++at_) CheckCharacter(bytes_[at_]);
    at_ = found + end.size();
    return bytes_.substr(start, found - start);
  }

  std::string ReadName() {
    if (AtEnd() || !IsNameStart(bytes_[at_])) Fail("a name was expected");
    const std::size_t start = at_;
    while (!AtEnd() && IsNameCharacter(bytes_[at_])) ++at_;
    return std::string(bytes_.substr(start, at_ - start));
  }

  void ReadComment() {
    at_ += 4;  // "<!--"
    const std::string_view body = Until("-->", "a comment");
    if (body.find("--") != std::string_view::npos || body.ends_with('-')) {
      Fail("'--' inside a comment");
    }
  }

  void ReadProcessingInstruction() {
    at_ += 2;  // "<?"
    const std::string target = ReadName();
    if (target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
        (target[2] | 0x20) == 'l') {
      Fail("an XML declaration that does not open the document");
    }
    Until("?>", "a processing instruction");
  }

  // Comments, processing instructions and white space.
  void SkipMisc() {
    for (;;) {
      SkipSpaces();
      if (LooksAt("<!--")) {
        ReadComment();
      } else if (LooksAt("<?")) {
        ReadProcessingInstruction();
      } else {
        return;
      }
    }
  }

  // A reference at '&', resolved and appended to `text`.
  void ReadReference(std::string& text) {
    const std::size_t semicolon = bytes_.find(';', at_);
    const std::string_view name = semicolon == std::string_view::npos
                                      ? std::string_view()
                                      : bytes_.substr(at_ + 1, semicolon - at_ - 1);
    if (name == "amp") {
      text += '&';
    } else if (name == "lt") {
      text += '<';
    } else if (name == "gt") {
      text += '>';
    } else if (name == "quot") {
      text += '"';
    } else if (name == "apos") {
      text += '\'';
    } else if (name.starts_with('#')) {
      const bool hex = name.starts_with("#x");
      const std::uint32_t code = ParseCodePoint(name.substr(hex ? 2 : 1), hex ? 16 : 10);
      if (!IsXmlCharacter(code)) Fail("a character reference to no character");
      AppendUtf8(text, code);
    } else {
      Fail("'&' that starts no known reference");
    }
    at_ = semicolon + 1;
  }

  // Text up to `stop` (not taken), references resolved and line ends made "\n".
  void ReadText(std::string& text, char stop) {
    while (!AtEnd() && bytes_[at_] != stop) {
      const char c = bytes_[at_];
      if (c == '&') {
        ReadReference(text);
        continue;
      }
      if (c == '<') Fail("'<' inside an attribute value");
      if (stop == '<' && LooksAt("]]>")) Fail("']]>' outside a CDATA section");
      CheckCharacter(c);
      ++at_;
      if (c == '\r') {
        if (LooksAt("\n")) ++at_;
        text += '\n';
      } else {
        text += c;
      }
    }
  }

  void ReadAttributes() {
    std::set<std::string, std::less<>> names;
    for (;;) {
      const bool spaced = SkipSpaces();
      if (LooksAt(">") || LooksAt("/>")) return;
      if (AtEnd()) Fail("the input ends inside a start tag");
      if (!spaced) Fail("'>', '/>' or white space was expected");
      std::string name = ReadName();
      if (!names.insert(std::move(name)).second) Fail("an attribute given twice");
      SkipSpaces();
      Expect("=", "'=' was expected after an attribute name");
      SkipSpaces();
      const char quote = AtEnd() ? '\0' : bytes_[at_];
      if (quote != '"' && quote != '\'') Fail("an attribute value without quotes");
      ++at_;
      std::string value;  // read to check it; no attribute is kept
      ReadText(value, quote);
      if (AtEnd()) Fail("the input ends inside an attribute value");
      ++at_;
    }
  }

  // A start tag at '<' into `element`; false for an empty-element tag ("<x/>").
  bool ReadStartTag(XmlElement& element) {
    ++at_;
    element.name = ReadName();
    ReadAttributes();
    if (LooksAt("/>")) {
      at_ += 2;
      return false;
    }
    at_ += 1;  // ">"
    return true;
  }

  // The element at '<' with everything in it. `open` holds the elements whose end tag has
  // not been read, innermost last; each lives in its parent's child list, which does not
  // change while a child of it is open.
  XmlElement ReadElementTree() {
    XmlElement root;
    std::vector<XmlElement*> open;
    if (ReadStartTag(root)) open.push_back(&root);
    while (!open.empty()) {
      XmlElement& current = *open.back();
      ReadText(current.text, '<');
      if (AtEnd()) Fail("the input ends inside <" + current.name + ">");
      if (LooksAt("</")) {
        at_ += 2;
        if (ReadName() != current.name)
          Fail("an end tag that does not match <" + current.name + ">");
        SkipSpaces();
        Expect(">", "'>' was expected after the name of an end tag");
        open.pop_back();
      } else if (LooksAt("<!--")) {
        ReadComment();
      } else if (LooksAt("<![CDATA[")) {
        at_ += 9;
        AppendWithLineEnds(current.text, Until("]]>", "a CDATA section"));
      } else if (LooksAt("<?")) {
        ReadProcessingInstruction();
      } else if (LooksAt("<!")) {
        Fail("a declaration inside an element");
      } else {
        if (open.size() >= kMaxDepth) {
          Fail("elements nested more than " + std::to_string(kMaxDepth) + " deep");
        }
        XmlElement& child = current.children.emplace_back();
        if (ReadStartTag(child)) open.push_back(&child);
      }
    }
    return root;
  }

  std::string_view bytes_;
  std::size_t at_ = 0;
};

// 1-based line and column (in bytes) of byte `offset`.
std::string Position(std::string_view bytes, std::size_t offset) {
  const std::string_view before = bytes.substr(0, std::min(offset, bytes.size()));
  std::size_t line = 1;
  std::size_t lineStart = 0;
  for (std::size_t index = 0; index < before.size(); ++index) {
    if (before[index] == '\n') {
      ++line;
      lineStart = index + 1;
    }
  }
  return "line " + std::to_string(line) + ", column " +
         std::to_string(before.size() - lineStart + 1);
}

}  // namespace

Outcome<XmlElement> ParseXmlDocument(std::string_view bytes) {
  try {
    return XmlReader(bytes).ReadDocument();
  } catch (const Malformed& malformed) {
    return Failure{std::string("not well-formed XML: ") + malformed.what() + " at " +
                   Position(bytes, malformed.offset)};
  }
}

}  // namespace kel::host::detail
