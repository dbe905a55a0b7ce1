// Module files as PE images, read from the file's bytes (the Windows build). Every offset is
// checked against the bytes, so a damaged file is reported, never read past its end. Every
// address is formed in 64 bits (an address past 4 GiB is refused, never wrapped), an address
// finds its section by a binary search of the table sorted once, and names are charged to
// one NameBudget, so the work is linear in the file's size whatever its tables point to.
#include "ModuleImageFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kel::host {
namespace {

constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint16_t kDllCharacteristic = 0x2000;
constexpr std::uint32_t kExportDirectory = 0;
constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kDelayImportDirectory = 13;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint16_t kPreferredLanguage = 1033;
constexpr std::uint64_t kMaxAddress = 0xFFFFFFFFu;
constexpr std::uint32_t kMaxDirectories = 16;

struct Section {
  std::uint32_t virtualAddress;
  std::uint32_t virtualSize;
  std::uint32_t rawSize;
  std::uint32_t rawOffset;
};

class PeImage {
 public:
  explicit PeImage(std::string_view bytes) : bytes_(bytes) {}

  std::uint16_t U16(std::size_t offset) const {
    std::uint16_t value = 0;
    Copy(offset, &value, sizeof value);
    return value;
  }
  std::uint32_t U32(std::size_t offset) const {
    std::uint32_t value = 0;
    Copy(offset, &value, sizeof value);
    return value;
  }

  // Sorted by address once, so that each address finds its section by a binary search.
  void SetSections(std::vector<Section> sections) {
    std::stable_sort(sections.begin(), sections.end(), [](const Section& a, const Section& b) {
      return a.virtualAddress < b.virtualAddress;
    });
    sections_ = std::move(sections);
  }

  // The file offset of `length` bytes at `rva`, which must lie in one section's file data.
  std::size_t FileOffset(std::uint64_t rva, std::uint64_t length) const {
    const std::string_view data = From(rva);
    if (length > data.size()) {
      throw DamagedImage("address " + Hex(rva) + " lies outside the file's sections");
    }
    return static_cast<std::size_t>(data.data() - bytes_.data());
  }

  // The NUL-terminated text at `rva`, within its section's file data, charged to `names`.
  std::string CString(std::uint64_t rva, NameBudget& names, const std::string& what) const {
    return names.Take(From(rva), what + " at " + Hex(rva));
  }

  std::string_view Bytes(std::size_t offset, std::size_t length) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) {
      throw DamagedImage("data runs past the end of the file");
    }
    return bytes_.substr(offset, length);
  }

  static std::string Hex(std::uint64_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = value > kMaxAddress ? 60 : 28; shift >= 0; shift -= 4) {
      text += kDigits[(value >> shift) & 0xFu];
    }
    return text;
  }

 private:
  // The file data of the section that holds `rva`, from `rva` to the section's end (or the
  // file's, when the section claims more than the file has): the section starting last at or
  // before `rva`, which must reach it.
  std::string_view From(std::uint64_t rva) const {
    const auto after = std::upper_bound(sections_.begin(), sections_.end(), rva,
                                        [](std::uint64_t address, const Section& section) {
                                          return address < section.virtualAddress;
                                        });
    if (rva > kMaxAddress || after == sections_.begin()) {
      throw DamagedImage("address " + Hex(rva) + " lies outside the file's sections");
    }
    const Section& section = *(after - 1);
    const std::uint64_t inSection = rva - section.virtualAddress;
    const std::string_view raw = section.rawOffset >= bytes_.size()
                                     ? std::string_view()
                                     : bytes_.substr(section.rawOffset, section.rawSize);
    if (inSection >= raw.size()) {
      throw DamagedImage("address " + Hex(rva) + " lies outside the file's sections");
    }
    return raw.substr(static_cast<std::size_t>(inSection));
  }

  void Copy(std::size_t offset, void* out, std::size_t size) const {
    std::memcpy(out, Bytes(offset, size).data(), size);  // the format is little-endian
  }

  std::string_view bytes_;
  std::vector<Section> sections_;
};

struct DataDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};

// The resource tree: every offset in it counts from the root directory's address.
class ResourceTree {
 public:
  ResourceTree(const PeImage& image, std::uint64_t rootRva) : image_(image), rootRva_(rootRva) {}

  std::uint64_t Root() const { return rootRva_; }

  // The subdirectory or data entry of `directory` whose name is `name`; nullopt if none.
  std::optional<std::uint32_t> FindNamed(std::uint64_t directory, std::string_view name) const {
    const std::size_t at = image_.FileOffset(directory, 16);
    const std::uint16_t named = image_.U16(at + 12);
    for (std::uint16_t index = 0; index < named; ++index) {
      const std::size_t entry = image_.FileOffset(directory + 16 + std::uint64_t{8} * index, 8);
      const std::uint32_t nameField = image_.U32(entry);
      if ((nameField & kHighBit) != 0 && NameEquals(nameField & ~kHighBit, name)) {
        return image_.U32(entry + 4);
      }
    }
    return std::nullopt;
  }

  // The offset field of the entry of `directory` whose identifier is `id`; nullopt if none.
  std::optional<std::uint32_t> FindId(std::uint64_t directory, std::uint16_t id) const {
    for (const auto& [entryId, offsetField] : IdEntries(directory)) {
      if (entryId == id) return offsetField;
    }
    return std::nullopt;
  }

  // The identified entries of `directory`: (identifier, offset field) pairs in stored order.
  std::vector<std::pair<std::uint16_t, std::uint32_t>> IdEntries(std::uint64_t directory) const {
    const std::size_t at = image_.FileOffset(directory, 16);
    const std::uint16_t named = image_.U16(at + 12);
    const std::uint16_t ids = image_.U16(at + 14);
    std::vector<std::pair<std::uint16_t, std::uint32_t>> entries;
    for (std::uint32_t index = named; index < std::uint32_t{named} + ids; ++index) {
      const std::size_t entry = image_.FileOffset(directory + 16 + std::uint64_t{8} * index, 8);
      entries.emplace_back(static_cast<std::uint16_t>(image_.U32(entry) & 0xFFFFu),
                           image_.U32(entry + 4));
    }
    return entries;
  }

  // The subdirectory an offset field points to; nullopt when it points to data.
  std::optional<std::uint64_t> Subdirectory(std::uint32_t offsetField) const {
    if ((offsetField & kHighBit) == 0) return std::nullopt;
    return rootRva_ + (offsetField & ~kHighBit);
  }

  // A data entry's address field: the data's own RVA, size and code page.
  std::uint64_t DataEntry(std::uint32_t offsetField) const { return rootRva_ + offsetField; }

 private:
  // Names are counted UTF-16 strings, compared unit by unit with an ASCII name.
  bool NameEquals(std::uint32_t nameOffset, std::string_view name) const {
    const std::size_t at = image_.FileOffset(rootRva_ + nameOffset, 2);
    const std::uint16_t length = image_.U16(at);
    if (length != name.size()) return false;
    const std::size_t units =
        image_.FileOffset(rootRva_ + nameOffset + 2, std::uint64_t{2} * length);
    for (std::size_t index = 0; index < name.size(); ++index) {
      if (image_.U16(units + 2 * index) != static_cast<unsigned char>(name[index])) return false;
    }
    return true;
  }

  const PeImage& image_;
  std::uint64_t rootRva_;
};

// A resource type or name: a string, or the identifier `id` when `name` is empty.
struct ResourceKey {
  std::string_view name;
  std::uint16_t id = 0;

  std::string Shown() const {
    return name.empty() ? std::to_string(id) : "\"" + std::string(name) + "\"";
  }
};

// The offset field of the subdirectory `key` of `directory`, or nullopt.
std::optional<std::uint64_t> FindSubdirectory(const ResourceTree& tree, std::uint64_t directory,
                                              const ResourceKey& key) {
  const std::optional<std::uint32_t> entry =
      key.name.empty() ? tree.FindId(directory, key.id) : tree.FindNamed(directory, key.name);
  return entry ? tree.Subdirectory(*entry) : std::nullopt;
}

// The resource `type`/`name`, preferring language 1033 over the first language stored.
EmbeddedManifest ReadResource(const PeImage& image, const DataDirectory& directory,
                              const ResourceKey& type, const ResourceKey& name) {
  EmbeddedManifest resource{std::nullopt,
                            "resource type " + type.Shown() + ", name " + name.Shown()};
  if (directory.rva == 0) return resource;
  const ResourceTree tree(image, directory.rva);
  const std::optional<std::uint64_t> names = FindSubdirectory(tree, tree.Root(), type);
  const std::optional<std::uint64_t> languages =
      names ? FindSubdirectory(tree, *names, name) : std::nullopt;
  if (!languages) return resource;
  const auto entries = tree.IdEntries(*languages);
  if (entries.empty()) return resource;
  auto chosen = entries.front();
  for (const auto& language : entries) {
    if (language.first == kPreferredLanguage) chosen = language;
  }
  if (tree.Subdirectory(chosen.second)) throw DamagedImage("a manifest resource is a directory");
  const std::size_t entry = image.FileOffset(tree.DataEntry(chosen.second), 16);
  const std::uint32_t dataRva = image.U32(entry);
  const std::uint32_t size = image.U32(entry + 4);
  const std::uint32_t codePage = image.U32(entry + 8);
  resource.location +=
      ", language " + std::to_string(chosen.first) + ", code page " + std::to_string(codePage);
  resource.bytes = std::string(image.Bytes(image.FileOffset(dataRva, size), size));
  return resource;
}

// Every address table entry that holds an address, with the name that refers to it; sets
// `moduleName` to the name the directory records.
std::vector<ExportedFunction> ReadExports(const PeImage& image, const DataDirectory& directory,
                                          NameBudget& names, std::string& moduleName) {
  std::vector<ExportedFunction> exports;
  if (directory.rva == 0) return exports;
  const std::size_t at = image.FileOffset(directory.rva, 40);
  const std::uint32_t nameRva = image.U32(at + 12);
  const std::uint64_t ordinalBase = image.U32(at + 16);
  const std::uint64_t functionCount = image.U32(at + 20);
  const std::uint64_t nameCount = image.U32(at + 24);
  const std::uint64_t functionsRva = image.U32(at + 28);
  const std::uint64_t namesRva = image.U32(at + 32);
  const std::uint64_t nameOrdinalsRva = image.U32(at + 36);
  if (nameRva != 0) moduleName = image.CString(nameRva, names, "the export directory's name");
  if (functionCount == 0) return exports;
  names.CheckEntries(functionCount, "the export address table");
  names.CheckEntries(nameCount, "the export name table");
  if (ordinalBase + functionCount - 1 > 0xFFFFFFFFu) {
    throw DamagedImage("the export ordinals run past " + std::to_string(0xFFFFFFFFu));
  }
  // The whole address table lies in the file, which bounds the count.
  const std::size_t functions = image.FileOffset(functionsRva, 4 * functionCount);
  std::vector<std::string> functionNames(functionCount);
  for (std::uint64_t index = 0; index < nameCount; ++index) {
    // The name ordinal table holds indices into the address table.
    const std::uint16_t function = image.U16(image.FileOffset(nameOrdinalsRva + 2 * index, 2));
    if (function >= functionCount) throw DamagedImage("an export name has no address");
    functionNames[function] = image.CString(image.U32(image.FileOffset(namesRva + 4 * index, 4)),
                                            names, "an export name");
  }
  for (std::uint64_t index = 0; index < functionCount; ++index) {
    if (image.U32(functions + 4 * index) == 0) continue;
    exports.push_back(
        {std::move(functionNames[index]), static_cast<std::uint32_t>(ordinalBase + index)});
  }
  return exports;
}

// Appends the DLL name of each descriptor of an import or delay-load import directory, up to
// the descriptor whose name is 0 that ends it; `what` names the directory.
void AppendDllNames(const PeImage& image, const DataDirectory& directory,
                    std::uint64_t descriptorSize, std::uint64_t nameField, const std::string& what,
                    NameBudget& budget, std::vector<std::string>& names) {
  if (directory.rva == 0) return;
  for (std::uint64_t descriptor = directory.rva;; descriptor += descriptorSize) {
    const std::uint32_t name = image.U32(image.FileOffset(descriptor, descriptorSize) + nameField);
    if (name == 0) return;
    budget.CheckEntries(names.size() + 1, "the needed libraries");
    names.push_back(image.CString(name, budget, "a DLL name of " + what));
  }
}

}  // namespace

ModuleFileContents ReadFormatImage(std::string_view bytes, const ReadLimits& limits) {
  PeImage image(bytes);
  if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') {
    throw DamagedImage("not a PE file (no MZ header)");
  }
  const std::size_t peHeader = image.U32(0x3C);
  if (image.U32(peHeader) != kPeSignature) throw DamagedImage("not a PE file (no PE signature)");
  const std::size_t fileHeader = peHeader + 4;
  const std::uint16_t sectionCount = image.U16(fileHeader + 2);
  const std::uint16_t optionalSize = image.U16(fileHeader + 16);
  const std::uint16_t characteristics = image.U16(fileHeader + 18);
  const std::size_t optionalHeader = fileHeader + 20;
  const std::uint16_t magic = image.U16(optionalHeader);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) {
    throw DamagedImage("unknown optional header magic " + PeImage::Hex(magic));
  }
  const bool plus = magic == kPe32PlusMagic;
  const std::uint32_t directoryCount = image.U32(optionalHeader + (plus ? 108 : 92));
  const std::size_t directoriesOffset = plus ? 112 : 96;
  if (directoryCount > kMaxDirectories) {
    throw DamagedImage("NumberOfRvaAndSizes is " + std::to_string(directoryCount) + ", at most " +
                       std::to_string(kMaxDirectories));
  }
  if (optionalSize < directoriesOffset + std::size_t{8} * directoryCount) {
    throw DamagedImage("SizeOfOptionalHeader is " + std::to_string(optionalSize) +
                       ", too short for its " + std::to_string(directoryCount) +
                       " data directories");
  }
  const std::size_t directories = optionalHeader + directoriesOffset;
  const auto directory = [&](std::uint32_t index) {
    if (index >= directoryCount) return DataDirectory{};
    return DataDirectory{image.U32(directories + 8 * index),
                         image.U32(directories + 8 * index + 4)};
  };

  const std::size_t sectionTable = optionalHeader + optionalSize;
  std::vector<Section> sections;
  sections.reserve(sectionCount);
  for (std::size_t index = 0; index < sectionCount; ++index) {
    const std::size_t at = sectionTable + 40 * index;
    sections.push_back(
        {image.U32(at + 12), image.U32(at + 8), image.U32(at + 16), image.U32(at + 20)});
  }
  image.SetSections(std::move(sections));

  ModuleFileContents contents;
  NameBudget names(limits);
  contents.format = std::string(plus ? "PE32+" : "PE32") +
                    ((characteristics & kDllCharacteristic) != 0 ? " DLL" : " executable");
  contents.manifest =
      ReadResource(image, directory(kResourceDirectory), {"PLUGCFG"}, {"PLUGCFG_ID"});
  contents.applicationManifest =
      ReadResource(image, directory(kResourceDirectory), {{}, 24}, {{}, 2});
  contents.exports =
      ReadExports(image, directory(kExportDirectory), names, contents.exportDirectoryName);
  AppendDllNames(image, directory(kImportDirectory), 20, 12, "the import directory", names,
                 contents.neededLibraries);
  AppendDllNames(image, directory(kDelayImportDirectory), 32, 4, "the delay-load import directory",
                 names, contents.neededLibraries);
  return contents;
}

}  // namespace kel::host
