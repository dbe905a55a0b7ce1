// Module files as PE images, read from the file's bytes (the Windows build). Every offset is
// checked against the bytes, so a damaged file is reported, never read past its end.
#include "kel/host/ModuleFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
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
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint16_t kPreferredLanguage = 1033;
constexpr char kResourceType[] = "PLUGCFG";
constexpr char kResourceName[] = "PLUGCFG_ID";

// Thrown inside this file only, for a table that points outside the bytes.
class Damaged : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

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

  void AddSection(const Section& section) { sections_.push_back(section); }

  // The file offset of `length` bytes at `rva`, which must lie in one section's file data.
  std::size_t FileOffset(std::uint32_t rva, std::size_t length) const {
    for (const Section& section : sections_) {
      const std::uint32_t span = std::max(section.virtualSize, section.rawSize);
      if (rva < section.virtualAddress || rva - section.virtualAddress >= span) continue;
      const std::size_t inSection = rva - section.virtualAddress;
      if (inSection + length > section.rawSize) break;
      const std::size_t offset = std::size_t{section.rawOffset} + inSection;
      if (offset + length > bytes_.size()) break;
      return offset;
    }
    throw Damaged("address " + Hex(rva) + " lies outside the file's sections");
  }

  // The NUL-terminated text at `rva`, within its section's file data.
  std::string CString(std::uint32_t rva) const {
    const std::size_t begin = FileOffset(rva, 1);
    const std::size_t end = bytes_.find('\0', begin);
    if (end == std::string_view::npos) throw Damaged("text at " + Hex(rva) + " is not terminated");
    FileOffset(rva, end - begin + 1);  // the text and its NUL lie in one section
    return std::string(bytes_.substr(begin, end - begin));
  }

  std::string_view Bytes(std::size_t offset, std::size_t length) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) {
      throw Damaged("data runs past the end of the file");
    }
    return bytes_.substr(offset, length);
  }

  static std::string Hex(std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xFu];
    return text;
  }

 private:
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
  ResourceTree(const PeImage& image, std::uint32_t rootRva) : image_(image), rootRva_(rootRva) {}

  std::uint32_t Root() const { return rootRva_; }

  // The subdirectory or data entry of `directory` whose name is `name`; nullopt if none.
  std::optional<std::uint32_t> FindNamed(std::uint32_t directory, std::string_view name) const {
    const std::size_t at = image_.FileOffset(directory, 16);
    const std::uint16_t named = image_.U16(at + 12);
    for (std::uint16_t index = 0; index < named; ++index) {
      const std::size_t entry = image_.FileOffset(directory + 16 + 8u * index, 8);
      const std::uint32_t nameField = image_.U32(entry);
      if ((nameField & kHighBit) != 0 && NameEquals(nameField & ~kHighBit, name)) {
        return image_.U32(entry + 4);
      }
    }
    return std::nullopt;
  }

  // The language entries of `directory`: (language, offset field) pairs in stored order.
  std::vector<std::pair<std::uint16_t, std::uint32_t>> IdEntries(std::uint32_t directory) const {
    const std::size_t at = image_.FileOffset(directory, 16);
    const std::uint16_t named = image_.U16(at + 12);
    const std::uint16_t ids = image_.U16(at + 14);
    std::vector<std::pair<std::uint16_t, std::uint32_t>> entries;
    for (std::uint32_t index = named; index < std::uint32_t{named} + ids; ++index) {
      const std::size_t entry = image_.FileOffset(directory + 16 + 8u * index, 8);
      entries.emplace_back(static_cast<std::uint16_t>(image_.U32(entry) & 0xFFFFu),
                           image_.U32(entry + 4));
    }
    return entries;
  }

  // The subdirectory an offset field points to; nullopt when it points to data.
  std::optional<std::uint32_t> Subdirectory(std::uint32_t offsetField) const {
    if ((offsetField & kHighBit) == 0) return std::nullopt;
    return rootRva_ + (offsetField & ~kHighBit);
  }

  // A data entry's address field: the data's own RVA, size and code page.
  std::uint32_t DataEntry(std::uint32_t offsetField) const { return rootRva_ + offsetField; }

 private:
  // Names are counted UTF-16 strings, compared unit by unit with an ASCII name.
  bool NameEquals(std::uint32_t nameOffset, std::string_view name) const {
    const std::size_t at = image_.FileOffset(rootRva_ + nameOffset, 2);
    const std::uint16_t length = image_.U16(at);
    if (length != name.size()) return false;
    const std::size_t units = image_.FileOffset(rootRva_ + nameOffset + 2, 2u * length);
    for (std::size_t index = 0; index < name.size(); ++index) {
      if (image_.U16(units + 2 * index) != static_cast<unsigned char>(name[index])) return false;
    }
    return true;
  }

  const PeImage& image_;
  std::uint32_t rootRva_;
};

std::string ResourceLocation() {
  return std::string("resource type \"") + kResourceType + "\", name \"" + kResourceName + "\"";
}

// The manifest resource, preferring language 1033 over the first language stored.
std::optional<std::string> ReadManifest(const PeImage& image, const DataDirectory& directory,
                                        std::string& location) {
  location = ResourceLocation();
  if (directory.rva == 0) return std::nullopt;
  const ResourceTree tree(image, directory.rva);
  const std::optional<std::uint32_t> type = tree.FindNamed(tree.Root(), kResourceType);
  const std::optional<std::uint32_t> types = type ? tree.Subdirectory(*type) : std::nullopt;
  if (!types) return std::nullopt;
  const std::optional<std::uint32_t> name = tree.FindNamed(*types, kResourceName);
  const std::optional<std::uint32_t> names = name ? tree.Subdirectory(*name) : std::nullopt;
  if (!names) return std::nullopt;
  const auto languages = tree.IdEntries(*names);
  if (languages.empty()) return std::nullopt;
  auto chosen = languages.front();
  for (const auto& language : languages) {
    if (language.first == kPreferredLanguage) chosen = language;
  }
  if (tree.Subdirectory(chosen.second)) throw Damaged("the manifest resource is a directory");
  const std::size_t entry = image.FileOffset(tree.DataEntry(chosen.second), 16);
  const std::uint32_t dataRva = image.U32(entry);
  const std::uint32_t size = image.U32(entry + 4);
  const std::uint32_t codePage = image.U32(entry + 8);
  location +=
      ", language " + std::to_string(chosen.first) + ", code page " + std::to_string(codePage);
  return std::string(image.Bytes(image.FileOffset(dataRva, size), size));
}

std::vector<std::string> ReadExportNames(const PeImage& image, const DataDirectory& directory) {
  std::vector<std::string> names;
  if (directory.rva == 0) return names;
  const std::size_t at = image.FileOffset(directory.rva, 40);
  const std::uint32_t count = image.U32(at + 24);
  const std::uint32_t nameTable = image.U32(at + 32);
  for (std::uint32_t index = 0; index < count; ++index) {
    const std::size_t entry = image.FileOffset(nameTable + 4 * index, 4);
    names.push_back(image.CString(image.U32(entry)));
  }
  return names;
}

ModuleFileContents ReadPe(std::string_view bytes) {
  PeImage image(bytes);
  if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') {
    throw Damaged("not a PE file (no MZ header)");
  }
  const std::uint32_t peHeader = image.U32(0x3C);
  if (image.U32(peHeader) != kPeSignature) throw Damaged("not a PE file (no PE signature)");
  const std::size_t fileHeader = std::size_t{peHeader} + 4;
  const std::uint16_t sectionCount = image.U16(fileHeader + 2);
  const std::uint16_t optionalSize = image.U16(fileHeader + 16);
  const std::uint16_t characteristics = image.U16(fileHeader + 18);
  const std::size_t optionalHeader = fileHeader + 20;
  const std::uint16_t magic = image.U16(optionalHeader);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) {
    throw Damaged("unknown optional header magic " + PeImage::Hex(magic));
  }
  const bool plus = magic == kPe32PlusMagic;
  const std::uint32_t directoryCount = image.U32(optionalHeader + (plus ? 108 : 92));
  const std::size_t directories = optionalHeader + (plus ? 112 : 96);
  const auto directory = [&](std::uint32_t index) {
    if (index >= directoryCount) return DataDirectory{};
    return DataDirectory{image.U32(directories + 8 * index),
                         image.U32(directories + 8 * index + 4)};
  };

  const std::size_t sectionTable = optionalHeader + optionalSize;
  for (std::uint16_t index = 0; index < sectionCount; ++index) {
    const std::size_t at = sectionTable + 40u * index;
    image.AddSection(
        {image.U32(at + 12), image.U32(at + 8), image.U32(at + 16), image.U32(at + 20)});
  }

  ModuleFileContents contents;
  contents.format = std::string(plus ? "PE32+" : "PE32") +
                    ((characteristics & kDllCharacteristic) != 0 ? " DLL" : " executable");
  contents.manifest = ReadManifest(image, directory(kResourceDirectory), contents.manifestLocation);
  contents.exportedNames = ReadExportNames(image, directory(kExportDirectory));
  return contents;
}

}  // namespace

Outcome<ModuleFileContents> ReadModuleImage(std::string_view bytes) {
  try {
    return ReadPe(bytes);
  } catch (const Damaged& damaged) {
    return Failure{damaged.what()};
  }
}

}  // namespace kel::host
