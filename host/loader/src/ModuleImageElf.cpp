// Module files as ELF shared objects, read through libelf (the Linux build).
#include "kel/host/ModuleFile.h"

#include <gelf.h>
#include <libelf.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace kel::host {
namespace {

constexpr char kNoteSection[] = ".note.kel.plugcfg";
constexpr char kNoteOwner[] = "PLUGCFG";  // n_namesz counts the NUL: sizeof, not strlen
constexpr GElf_Word kNoteType = 1;
constexpr char kManifestLocation[] =
    "note of owner \"PLUGCFG\", type 1, in section .note.kel.plugcfg";

struct ElfEnd {
  void operator()(Elf* elf) const noexcept { ::elf_end(elf); }
};
using ElfHandle = std::unique_ptr<Elf, ElfEnd>;

std::string LibelfError() {
  const char* message = ::elf_errmsg(-1);
  return message != nullptr ? message : "unknown libelf error";
}

std::string MachineName(GElf_Half machine) {
  switch (machine) {
    case EM_X86_64:
      return "x86-64";
    case EM_386:
      return "i386";
    case EM_AARCH64:
      return "AArch64";
    default:
      return "machine " + std::to_string(machine);
  }
}

std::string SectionName(Elf* elf, std::size_t sectionNames, const GElf_Shdr& header) {
  const char* name = ::elf_strptr(elf, sectionNames, header.sh_name);
  return name != nullptr ? name : "";
}

// The descriptor of the manifest note in `section`, or nullopt when it holds none.
std::optional<std::string> FindManifestNote(Elf_Data* data) {
  const auto* base = static_cast<const char*>(data->d_buf);
  GElf_Nhdr note;
  std::size_t nameOffset = 0;
  std::size_t descriptorOffset = 0;
  std::size_t offset = 0;
  // gelf_getnote checks every note against the section's size and returns 0 at the end or
  // at the first note that does not fit.
  for (std::size_t next;
       (next = ::gelf_getnote(data, offset, &note, &nameOffset, &descriptorOffset)) != 0;
       offset = next) {
    if (note.n_type == kNoteType && note.n_namesz == sizeof kNoteOwner &&
        std::memcmp(base + nameOffset, kNoteOwner, sizeof kNoteOwner) == 0) {
      return std::string(base + descriptorOffset, note.n_descsz);
    }
  }
  return std::nullopt;
}

// Defined global and weak symbols of the dynamic symbol table: what the object exports.
Outcome<std::vector<std::string>> DynamicSymbolNames(Elf* elf, Elf_Scn* section,
                                                     const GElf_Shdr& header) {
  Elf_Data* data = ::elf_getdata(section, nullptr);
  if (data == nullptr) return Failure{".dynsym cannot be read: " + LibelfError()};
  const std::size_t entrySize =
      header.sh_entsize != 0 ? header.sh_entsize : ::gelf_fsize(elf, ELF_T_SYM, 1, EV_CURRENT);
  if (entrySize == 0) return Failure{".dynsym has no entry size"};
  std::vector<std::string> names;
  // Entry 0 is the reserved null symbol.
  for (std::size_t index = 1; index < header.sh_size / entrySize; ++index) {
    GElf_Sym symbol;
    if (::gelf_getsym(data, static_cast<int>(index), &symbol) == nullptr) {
      return Failure{".dynsym entry " + std::to_string(index) + " cannot be read"};
    }
    const unsigned binding = GELF_ST_BIND(symbol.st_info);
    const unsigned kind = GELF_ST_TYPE(symbol.st_info);
    if (symbol.st_shndx == SHN_UNDEF) continue;
    if (binding != STB_GLOBAL && binding != STB_WEAK && binding != STB_GNU_UNIQUE) continue;
    if (kind == STT_SECTION || kind == STT_FILE) continue;
    const char* name = ::elf_strptr(elf, header.sh_link, symbol.st_name);
    if (name != nullptr && *name != '\0') names.emplace_back(name);
  }
  return names;
}

// libelf takes a section header table past the end of the bytes for no table at all. The
// count read from the table itself (more than 0xff00 sections) needs its first entry too.
bool SectionHeadersFit(Elf* elf, const GElf_Ehdr& fileHeader, std::size_t size) {
  if (fileHeader.e_shoff == 0) return true;
  std::size_t count = fileHeader.e_shnum;
  if (count == 0 && ::elf_getshdrnum(elf, &count) != 0) return false;
  const std::uint64_t end =
      fileHeader.e_shoff + std::uint64_t{std::max<std::size_t>(count, 1)} * fileHeader.e_shentsize;
  return fileHeader.e_shoff <= size && end <= size;
}

Outcome<ModuleFileContents> ReadElf(Elf* elf, std::size_t size) {
  if (::elf_kind(elf) != ELF_K_ELF) return Failure{"not an ELF file"};
  GElf_Ehdr fileHeader;
  if (::gelf_getehdr(elf, &fileHeader) == nullptr) {
    return Failure{"the ELF header cannot be read: " + LibelfError()};
  }
  if (fileHeader.e_type != ET_DYN) {
    return Failure{"not an ELF shared object (type " + std::to_string(fileHeader.e_type) + ")"};
  }
  if (!SectionHeadersFit(elf, fileHeader, size)) {
    return Failure{"the section header table lies outside the file"};
  }
  ModuleFileContents contents;
  contents.format = std::string(::gelf_getclass(elf) == ELFCLASS64 ? "ELF64" : "ELF32") +
                    " shared object (" + MachineName(fileHeader.e_machine) + ")";
  contents.manifestLocation = kManifestLocation;

  std::size_t sectionNames = 0;
  if (::elf_getshdrstrndx(elf, &sectionNames) != 0) {
    return Failure{"the section names cannot be read: " + LibelfError()};
  }
  for (Elf_Scn* section = ::elf_nextscn(elf, nullptr); section != nullptr;
       section = ::elf_nextscn(elf, section)) {
    GElf_Shdr header;
    if (::gelf_getshdr(section, &header) == nullptr) {
      return Failure{"a section header cannot be read: " + LibelfError()};
    }
    if (header.sh_type == SHT_DYNSYM) {
      Outcome<std::vector<std::string>> names = DynamicSymbolNames(elf, section, header);
      if (!names) return Failure{names.Error()};
      contents.exportedNames = std::move(names).Value();
    } else if (header.sh_type == SHT_NOTE && !contents.manifest &&
               SectionName(elf, sectionNames, header) == kNoteSection) {
      Elf_Data* data = ::elf_getdata(section, nullptr);
      if (data == nullptr) {
        return Failure{std::string(kNoteSection) + " cannot be read: " + LibelfError()};
      }
      contents.manifest = FindManifestNote(data);
    }
  }
  return contents;
}

}  // namespace

Outcome<ModuleFileContents> ReadModuleImage(std::string_view bytes) {
  if (::elf_version(EV_CURRENT) == EV_NONE) return Failure{"libelf is unusable: " + LibelfError()};
  // libelf reads from a buffer it may write to; it gets a copy that outlives the handle.
  std::string image(bytes);
  const ElfHandle elf(::elf_memory(image.data(), image.size()));
  if (!elf) return Failure{"not an ELF file: " + LibelfError()};
  return ReadElf(elf.get(), image.size());
}

}  // namespace kel::host
