// Module files as 64-bit little-endian ELF shared objects (the Linux build), read from the
// bytes: the file header, the section header table, and the sections the host needs
// (.dynsym and its strings, .dynamic, the manifest note). Every offset is checked against the
// bytes, so a damaged file is reported, never read past its end. Each table is read once,
// every address and size is formed in 64 bits, and names are charged to one NameBudget, so
// the work is linear in the file's size whatever its tables point to.
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

  // The NUL-terminated text at `offset` of the string table `table`, charged to `names`.
  std::string String(const Elf64_Shdr& table, std::uint64_t offset, const std::string& what,
                     NameBudget& names) const {
    const std::string_view strings = Range(table.sh_offset, table.sh_size, what);
    if (offset >= strings.size()) throw DamagedImage("a name in " + what + " lies outside it");
    return names.Take(strings.substr(offset), "a name in " + what);
  }

  // Whether the text at `offset` of the string table `table` is `name`; reads no further
  // than `name` and its NUL.
  bool StringEquals(const Elf64_Shdr& table, std::uint64_t offset, std::string_view name,
                    const std::string& what) const {
    const std::string_view strings = Range(table.sh_offset, table.sh_size, what);
    if (offset >= strings.size()) throw DamagedImage("a name in " + what + " lies outside it");
    const std::string_view text = strings.substr(offset, name.size() + 1);
    return text.size() == name.size() + 1 && text.back() == '\0' && text.starts_with(name);
  }

 private:
  std::string_view bytes_;
};

// The machine whose modules this host loads: a module for another one cannot run here.
#if defined(__x86_64__)
constexpr Elf64_Half kHostMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr Elf64_Half kHostMachine = EM_AARCH64;
#else
#error "kelhost reads ELF modules for x86-64 and AArch64 hosts"
#endif

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

  // Whether the section is named `name`; false when the file names no sections.
  bool IsNamed(const ElfImage& image, const Elf64_Shdr& section, std::string_view name) const {
    if (namesIndex_ == SHN_UNDEF || namesIndex_ >= headers_.size()) return false;
    return image.StringEquals(headers_[namesIndex_], section.sh_name, name, "the section names");
  }

 private:
  std::vector<Elf64_Shdr> headers_;
  std::uint64_t namesIndex_ = SHN_UNDEF;
};

// Defined global, weak and unique symbols of the dynamic symbol table: what the object
// exports. Entry 0 is the reserved null symbol.
std::vector<ExportedFunction> ReadExports(const ElfImage& image, const SectionTable& sections,
                                          const Elf64_Shdr& dynsym, NameBudget& names) {
  const std::uint64_t entrySize = dynsym.sh_entsize != 0 ? dynsym.sh_entsize : sizeof(Elf64_Sym);
  if (entrySize < sizeof(Elf64_Sym)) throw DamagedImage(".dynsym entries are too small");
  const std::uint64_t count = dynsym.sh_size / entrySize;
  const std::string_view table = image.Table(dynsym.sh_offset, count, entrySize, ".dynsym");
  const Elf64_Shdr& strings = sections.Linked(dynsym, ".dynsym");
  std::vector<ExportedFunction> exports;
  for (std::uint64_t index = 1; index < count; ++index) {
    Elf64_Sym symbol;
    std::memcpy(&symbol, table.data() + index * entrySize, sizeof symbol);
    const unsigned binding = ELF64_ST_BIND(symbol.st_info);
    const unsigned kind = ELF64_ST_TYPE(symbol.st_info);
    if (symbol.st_shndx == SHN_UNDEF) continue;
    if (binding != STB_GLOBAL && binding != STB_WEAK && binding != STB_GNU_UNIQUE) continue;
    if (kind == STT_SECTION || kind == STT_FILE) continue;
    std::string name = image.String(strings, symbol.st_name, ".dynsym's names", names);
    if (name.empty()) continue;
    names.CheckEntries(exports.size() + 1, ".dynsym");
    exports.push_back({std::move(name), 0});
  }
  return exports;
}

std::vector<std::string> ReadNeededLibraries(const ElfImage& image, const SectionTable& sections,
                                             const Elf64_Shdr& dynamic, NameBudget& names) {
  const std::string_view table = image.Table(dynamic.sh_offset, dynamic.sh_size / sizeof(Elf64_Dyn),
                                             sizeof(Elf64_Dyn), ".dynamic");
  const Elf64_Shdr& strings = sections.Linked(dynamic, ".dynamic");
  std::vector<std::string> needed;
  for (std::size_t at = 0; at < table.size(); at += sizeof(Elf64_Dyn)) {
    Elf64_Dyn entry;
    std::memcpy(&entry, table.data() + at, sizeof entry);
    if (entry.d_tag == DT_NULL) break;
    if (entry.d_tag == DT_NEEDED) {
      names.CheckEntries(needed.size() + 1, ".dynamic's DT_NEEDED list");
      needed.push_back(image.String(strings, entry.d_un.d_val, ".dynamic's names", names));
    }
  }
  return needed;
}

constexpr std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// The descriptor of the manifest note among `notes`. A note that runs past the section is
// refused; bytes too few for a note header end the list (they are padding).
std::optional<std::string> FindManifestNote(std::string_view notes, std::uint64_t alignment) {
  std::uint64_t offset = 0;
  while (offset <= notes.size() && notes.size() - offset >= sizeof(Elf64_Nhdr)) {
    Elf64_Nhdr note;
    std::memcpy(&note, notes.data() + offset, sizeof note);
    const std::uint64_t name = offset + sizeof note;
    const std::uint64_t descriptor = name + AlignUp(note.n_namesz, alignment);
    if (descriptor > notes.size() || note.n_descsz > notes.size() - descriptor) {
      throw DamagedImage(std::string("a note in ") + kNoteSection + " runs past its section");
    }
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

ModuleFileContents ReadFormatImage(std::string_view bytes, const ReadLimits& limits) {
  if (bytes.size() < EI_NIDENT || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0) {
    throw DamagedImage("not an ELF file");
  }
  if (bytes[EI_CLASS] != ELFCLASS64 || bytes[EI_DATA] != ELFDATA2LSB) {
    throw DamagedImage("not a 64-bit little-endian ELF file");
  }
  if (bytes[EI_VERSION] != EV_CURRENT) {
    throw DamagedImage("EI_VERSION is " +
                       std::to_string(static_cast<unsigned char>(bytes[EI_VERSION])) +
                       ", expected " + std::to_string(EV_CURRENT));
  }
  const ElfImage image(bytes);
  const auto header = image.Read<Elf64_Ehdr>(0, "the ELF header");
  if (header.e_type != ET_DYN) {
    throw DamagedImage("not an ELF shared object (type " + std::to_string(header.e_type) + ")");
  }
  if (header.e_version != EV_CURRENT) {
    throw DamagedImage("e_version is " + std::to_string(header.e_version) + ", expected " +
                       std::to_string(EV_CURRENT));
  }
  if (header.e_machine != kHostMachine) {
    throw DamagedImage("e_machine is " + std::to_string(header.e_machine) + " (" +
                       MachineName(header.e_machine) + "), this host runs " +
                       MachineName(kHostMachine) + " modules");
  }
  const SectionTable sections(image, header);

  ModuleFileContents contents;
  contents.format = "ELF64 shared object (" + MachineName(header.e_machine) + ")";
  contents.manifest.location = kManifestLocation;
  NameBudget names(limits);
  // Each table is read from its first section; a second section of the same kind is refused,
  // as no loader would know which one holds the module's symbols.
  const Elf64_Shdr* dynsym = nullptr;
  const Elf64_Shdr* dynamic = nullptr;
  const Elf64_Shdr* manifestNotes = nullptr;
  for (const Elf64_Shdr& section : sections.Headers()) {
    if (section.sh_type == SHT_DYNSYM) {
      if (dynsym != nullptr) throw DamagedImage("more than one SHT_DYNSYM section");
      dynsym = &section;
    } else if (section.sh_type == SHT_DYNAMIC) {
      if (dynamic != nullptr) throw DamagedImage("more than one SHT_DYNAMIC section");
      dynamic = &section;
    } else if (section.sh_type == SHT_NOTE && manifestNotes == nullptr &&
               sections.IsNamed(image, section, kNoteSection)) {
      manifestNotes = &section;
    }
  }
  if (dynsym != nullptr) contents.exports = ReadExports(image, sections, *dynsym, names);
  if (dynamic != nullptr) {
    contents.neededLibraries = ReadNeededLibraries(image, sections, *dynamic, names);
  }
  if (manifestNotes != nullptr && InNoteSegment(image, header, *manifestNotes)) {
    contents.manifest.bytes = FindManifestNote(
        image.Range(manifestNotes->sh_offset, manifestNotes->sh_size, kNoteSection),
        manifestNotes->sh_addralign == 8 ? 8 : 4);
  }
  return contents;
}

}  // namespace kel::host
