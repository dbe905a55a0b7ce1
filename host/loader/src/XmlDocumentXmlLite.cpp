// XML documents through the system's XmlLite (the Windows build). mingw-w64 ships the header
// but no import library, so CreateXmlReader is bound from xmllite.dll at run time; the
// reader reads the bytes through a memory stream.
#include "XmlDocument.h"

#include <windows.h>

#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include "kel/host/WideText.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kel::host::detail {
namespace {

using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// One LoadLibraryW reference, given back on destruction.
class LibraryReference {
 public:
  explicit LibraryReference(const wchar_t* name) : module_(::LoadLibraryW(name)) {}
  ~LibraryReference() {
    if (module_ != nullptr) ::FreeLibrary(module_);
  }
  LibraryReference(const LibraryReference&) = delete;
  LibraryReference& operator=(const LibraryReference&) = delete;

  HMODULE Get() const noexcept { return module_; }

 private:
  HMODULE module_;
};

// One COM reference, given back on destruction.
template <class T>
class ComReference {
 public:
  ComReference() = default;
  // Adopts a reference the caller already owns.
  explicit ComReference(T* adopted) noexcept : pointer_(adopted) {}
  ~ComReference() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComReference(const ComReference&) = delete;
  ComReference& operator=(const ComReference&) = delete;

  // For a function that writes a new reference.
  void** Put() noexcept { return reinterpret_cast<void**>(&pointer_); }
  T* Get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }

 private:
  T* pointer_ = nullptr;
};

std::string Hex(HRESULT code) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const auto bits = static_cast<unsigned long>(code);
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(bits >> shift) & 0xFu];
  return text;
}

Failure NotWellFormed(IXmlReader& reader, const std::string& reason) {
  UINT line = 0;
  UINT column = 0;
  reader.GetLineNumber(&line);
  reader.GetLinePosition(&column);
  return Failure{"not well-formed XML: " + reason + " at line " + std::to_string(line) +
                 ", column " + std::to_string(column)};
}

// Where the reader stands: a node that starts where the previous one started is the same
// node read again.
struct ReaderPosition {
  XmlNodeType type = XmlNodeType_None;
  UINT line = 0;
  UINT column = 0;

  bool operator==(const ReaderPosition&) const = default;
};

ReaderPosition PositionOf(IXmlReader& reader, XmlNodeType type) {
  ReaderPosition position{type, 0, 0};
  reader.GetLineNumber(&position.line);
  reader.GetLinePosition(&position.column);
  return position;
}

// Builds the element tree from the reader's node stream. `open` holds the elements whose
// end tag has not been read, innermost last; each lives in its parent's child list, which
// does not change while a child of it is open.
//
// Some XmlLite implementations do not fail at the end of input inside an element: they hand
// out the last node again and again, or close the open elements with end tags placed where
// their start tags are. A node read again, an end tag where its start tag is, or more nodes
// than the input has bytes (every node takes at least one) is taken as the input ending
// before the document does, so reading always ends and never takes a cut document.
Outcome<XmlElement> ReadTree(IXmlReader& reader, std::size_t inputBytes) {
  std::optional<XmlElement> root;
  struct OpenElement {
    XmlElement* element;
    ReaderPosition start;
  };
  std::vector<OpenElement> open;
  XmlNodeType type = XmlNodeType_None;
  HRESULT status = S_OK;
  ReaderPosition previous;
  std::size_t nodes = 0;
  while ((status = reader.Read(&type)) == S_OK) {
    const ReaderPosition position = PositionOf(reader, type);
    if (position == previous || ++nodes > inputBytes) {
      return NotWellFormed(reader, "the input ends before the document does");
    }
    previous = position;
    switch (type) {
      case XmlNodeType_Element: {
        const WCHAR* name = nullptr;
        UINT length = 0;
        reader.GetQualifiedName(&name, &length);
        const bool empty = reader.IsEmptyElement() != FALSE;
        XmlElement* element = nullptr;
        if (open.empty()) {
          if (root) return NotWellFormed(reader, "a second top-level element");
          element = &root.emplace(XmlElement{NarrowToUtf8(name, length), {}, {}});
        } else {
          element = &open.back().element->children.emplace_back(
              XmlElement{NarrowToUtf8(name, length), {}, {}});
        }
        if (!empty) open.push_back({element, position});
        break;
      }
      case XmlNodeType_EndElement: {
        if (open.empty()) break;
        const ReaderPosition start = open.back().start;
        if (start.line == position.line && start.column == position.column) {
          return NotWellFormed(reader, "the input ends inside <" + open.back().element->name + ">");
        }
        open.pop_back();
        break;
      }
      case XmlNodeType_Text:
      case XmlNodeType_CDATA: {
        const WCHAR* value = nullptr;
        UINT length = 0;
        reader.GetValue(&value, &length);
        if (!open.empty()) open.back().element->text += NarrowToUtf8(value, length);
        break;
      }
      default:
        break;
    }
  }
  if (FAILED(status)) return NotWellFormed(reader, "error " + Hex(status));
  if (!open.empty()) {
    return NotWellFormed(reader, "the input ends inside <" + open.back().element->name + ">");
  }
  if (!root) return Failure{"not well-formed XML: no root element"};
  return std::move(*root);
}

}  // namespace

Outcome<XmlElement> ParseXmlDocument(std::string_view bytes) {
  const LibraryReference xmllite(L"xmllite.dll");
  if (xmllite.Get() == nullptr) return Failure{"cannot read XML: xmllite.dll is not available"};
  const auto create = reinterpret_cast<CreateXmlReaderFunction>(
      reinterpret_cast<void*>(::GetProcAddress(xmllite.Get(), "CreateXmlReader")));
  if (create == nullptr) return Failure{"cannot read XML: xmllite.dll has no CreateXmlReader"};

  // The stream holds its own copy of the bytes.
  const ComReference<IStream> stream(::SHCreateMemStream(
      reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
  if (stream.Get() == nullptr) return Failure{"cannot read XML: no memory stream"};

  // Declared after the library reference, so the reader is released before the library is.
  ComReference<IXmlReader> reader;
  HRESULT status = create(__uuidof(IXmlReader), reader.Put(), nullptr);
  if (FAILED(status)) return Failure{"cannot read XML: CreateXmlReader failed, " + Hex(status)};
  reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
  status = reader->SetInput(stream.Get());
  if (FAILED(status)) return Failure{"cannot read XML: SetInput failed, " + Hex(status)};
  return ReadTree(*reader.Get(), bytes.size());
}

}  // namespace kel::host::detail
