// Module files as 64-bit little-endian ELF shared objects (the Linux build), read from the
// bytes: the file header, the section header table, and the sections the host needs
// (.dynsym and its strings, .dynamic, the manifest note). Every offset is checked against the
// bytes, so a damaged file is reported, never read past its end.
#include "ModuleImageFormat.h"

#include <elf.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace kel::host {
namespace {

static_assert(std::endian::native == std::endian::little,
              "records are copied from the file as they are stored");

constexpr char kNoteSection[] = ".note.kel.plugcfg";
constexpr char kNoteOwner[] = "PLUGCFG";  // n_namesz counts the NUL: sizeof, not strlen
constexpr Elf64_Word kNoteType = 1;
constexpr char kManifestLocation[] =
    "note of owner \"PLUGCFG\", type 1, in section .note.kel.plugcfg of a PT_NOTE segment";

class ElfImage {
 public:
  explicit ElfImage(std::string_view bytes) : bytes_(bytes) {}

  // `count` entries of `entrySize` bytes at `offset`; `what` names them in the failure.
  std::string_view Table(std::uint64_t offset, std::uint64_t count, std::uint64_t entrySize,
                         const std::string& what) const {
    if (offset > bytes_.size() ||
        (entrySize != 0 && count > (bytes_.size() - offset) / entrySize)) {
      throw DamagedImage(what + " lies outside the file");
    }
    return bytes_.substr(offset, count * entrySize);
  }

  std::string_view Range(std::uint64_t offset, std::uint64_t size, const std::string& what) const {
    return Table(offset, size, 1, what);
  }

  template <class Record>
  Record Read(std::uint64_t offset, const std::string& what) const {
    Record record;
    std::memcpy(&record, Range(offset, sizeof record, what).data(), sizeof record);
    return record;
  }

  // The NUL-terminated text at `offset` of the string table `table`.
  std::string String(const Elf64_Shdr& table, std::uint64_t offset, const std::string& what) const {
    const std::string_view strings = Range(table.sh_offset, table.sh_size, what);
    const std::size_t end = offset < strings.size() ? strings.find('\0', offset) : strings.npos;
    if (end == strings.npos) throw DamagedImage("a name in " + what + " lies outside it");
    return std::string(strings.substr(offset, end - offset));
  }

 private:
  std::string_view bytes_;
};

std::string MachineName(Elf64_Half machine) {
  switch (machine) {
    case EM_X86_64:
      return "x86-64";
    case EM_AARCH64:
      return "AArch64";
    default:
      return "machine " + std::to_string(machine);
  }
}

class SectionTable {
 public:
  SectionTable(const ElfImage& image, const Elf64_Ehdr& header) {
    if (header.e_shoff == 0) return;
    if (header.e_shentsize < sizeof(Elf64_Shdr))
      throw DamagedImage("section headers are too small");
    const auto first = image.Read<Elf64_Shdr>(header.e_shoff, "the section header table");
    // With more than 0xff00 sections the count and the name table's index are kept in the
    // first entry.
    const std::uint64_t count = header.e_shnum != 0 ? header.e_shnum : first.sh_size;
    const std::string_view table =
        image.Table(header.e_shoff, count, header.e_shentsize, "the section header table");
    headers_.reserve(count);
    for (std::uint64_t index = 0; index < count; ++index) {
      Elf64_Shdr& section = headers_.emplace_back();
      std::memcpy(&section, table.data() + index * header.e_shentsize, sizeof section);
    }
    namesIndex_ = header.e_shstrndx == SHN_XINDEX ? first.sh_link : header.e_shstrndx;
  }

  const std::vector<Elf64_Shdr>& Headers() const noexcept { return headers_; }

  const Elf64_Shdr& Linked(const Elf64_Shdr& section, const std::string& what) const {
    if (section.sh_link >= headers_.size()) throw DamagedImage(what + " links to no section");
    return headers_[section.sh_link];
  }

  // The section's name; empty when the file names no sections.
  std::string Name(const ElfImage& image, const Elf64_Shdr& section) const {
    if (namesIndex_ == SHN_UNDEF || namesIndex_ >= headers_.size()) return {};
    return image.String(headers_[namesIndex_], section.sh_name, "the section names");
  }

 private:
  std::vector<Elf64_Shdr> headers_;
  std::uint64_t namesIndex_ = SHN_UNDEF;
};

// Defined global, weak and unique symbols of the dynamic symbol table: what the object
// exports. Entry 0 is the reserved null symbol.
std::vector<ExportedFunction> ReadExports(const ElfImage& image, const SectionTable& sections,
                                          const Elf64_Shdr& dynsym) {
  const std::uint64_t entrySize = dynsym.sh_entsize != 0 ? dynsym.sh_entsize : sizeof(Elf64_Sym);
  if (entrySize < sizeof(Elf64_Sym)) throw DamagedImage(".dynsym entries are too small");
  const std::uint64_t count = dynsym.sh_size / entrySize;
  const std::string_view table = image.Table(dynsym.sh_offset, count, entrySize, ".dynsym");
  const Elf64_Shdr& names = sections.Linked(dynsym, ".dynsym");
  std::vector<ExportedFunction> exports;
  for (std::uint64_t index = 1; index < count; ++index) {
    Elf64_Sym symbol;
    std::memcpy(&symbol, table.data() + index * entrySize, sizeof symbol);
    const unsigned binding = ELF64_ST_BIND(symbol.st_info);
    const unsigned kind = ELF64_ST_TYPE(symbol.st_info);
    if (symbol.st_shndx == SHN_UNDEF) continue;
    if (binding != STB_GLOBAL && binding != STB_WEAK && binding != STB_GNU_UNIQUE) continue;
    if (kind == STT_SECTION || kind == STT_FILE) continue;
    std::string name = image.String(names, symbol.st_name, ".dynsym's names");
    if (!name.empty()) exports.push_back({std::move(name), 0});
  }
  return exports;
}

std::vector<std::string> ReadNeededLibraries(const ElfImage& image, const SectionTable& sections,
                                             const Elf64_Shdr& dynamic) {
  const std::string_view table = image.Table(dynamic.sh_offset, dynamic.sh_size / sizeof(Elf64_Dyn),
                                             sizeof(Elf64_Dyn), ".dynamic");
  const Elf64_Shdr& names = sections.Linked(dynamic, ".dynamic");
  std::vector<std::string> needed;
  for (std::size_t at = 0; at < table.size(); at += sizeof(Elf64_Dyn)) {
    Elf64_Dyn entry;
    std::memcpy(&entry, table.data() + at, sizeof entry);
    if (entry.d_tag == DT_NULL) break;
    if (entry.d_tag == DT_NEEDED) {
      needed.push_back(image.String(names, entry.d_un.d_val, ".dynamic's names"));
    }
  }
  return needed;
}

constexpr std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// The descriptor of the manifest note among `notes`; a note that does not fit ends the list.
std::optional<std::string> FindManifestNote(std::string_view notes, std::uint64_t alignment) {
  std::uint64_t offset = 0;
  while (offset <= notes.size() && notes.size() - offset >= sizeof(Elf64_Nhdr)) {
    Elf64_Nhdr note;
    std::memcpy(&note, notes.data() + offset, sizeof note);
    const std::uint64_t name = offset + sizeof note;
    const std::uint64_t descriptor = name + AlignUp(note.n_namesz, alignment);
    if (descriptor > notes.size() || note.n_descsz > notes.size() - descriptor) break;
    if (note.n_type == kNoteType && note.n_namesz == sizeof kNoteOwner &&
        std::memcmp(notes.data() + name, kNoteOwner, sizeof kNoteOwner) == 0) {
      return std::string(notes.substr(descriptor, note.n_descsz));
    }
    offset = descriptor + AlignUp(note.n_descsz, alignment);
  }
  return std::nullopt;
}

// Whether a PT_NOTE segment holds all of `section`'s bytes, so the loaded image has them.
bool InNoteSegment(const ElfImage& image, const Elf64_Ehdr& header, const Elf64_Shdr& section) {
  if (header.e_phoff == 0) return false;
  if (header.e_phentsize < sizeof(Elf64_Phdr)) throw DamagedImage("program headers are too small");
  const std::string_view table =
      image.Table(header.e_phoff, header.e_phnum, header.e_phentsize, "the program header table");
  for (std::size_t index = 0; index < header.e_phnum; ++index) {
    Elf64_Phdr segment;
    std::memcpy(&segment, table.data() + index * header.e_phentsize, sizeof segment);
    if (segment.p_type != PT_NOTE || section.sh_offset < segment.p_offset) continue;
    const std::uint64_t into = section.sh_offset - segment.p_offset;
    if (into <= segment.p_filesz && section.sh_size <= segment.p_filesz - into) return true;
  }
  return false;
}

}  // namespace

ModuleFileContents ReadFormatImage(std::string_view bytes) {
  if (bytes.size() < EI_NIDENT || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0) {
    throw DamagedImage("not an ELF file");
  }
  if (bytes[EI_CLASS] != ELFCLASS64 || bytes[EI_DATA] != ELFDATA2LSB) {
    throw DamagedImage("not a 64-bit little-endian ELF file");
  }
  const ElfImage image(bytes);
  const auto header = image.Read<Elf64_Ehdr>(0, "the ELF header");
  if (header.e_type != ET_DYN) {
    throw DamagedImage("not an ELF shared object (type " + std::to_string(header.e_type) + ")");
  }
  const SectionTable sections(image, header);

  ModuleFileContents contents;
  contents.format = "ELF64 shared object (" + MachineName(header.e_machine) + ")";
  contents.manifest.location = kManifestLocation;
  for (const Elf64_Shdr& section : sections.Headers()) {
    if (section.sh_type == SHT_DYNSYM) {
      contents.exports = ReadExports(image, sections, section);
    } else if (section.sh_type == SHT_DYNAMIC) {
      contents.neededLibraries = ReadNeededLibraries(image, sections, section);
    } else if (section.sh_type == SHT_NOTE && !contents.manifest.bytes &&
               sections.Name(image, section) == kNoteSection &&
               InNoteSegment(image, header, section)) {
      contents.manifest.bytes =
          FindManifestNote(image.Range(section.sh_offset, section.sh_size, kNoteSection),
                           section.sh_addralign == 8 ? 8 : 4);
    }
  }
  return contents;
}

}  // namespace kel::host
