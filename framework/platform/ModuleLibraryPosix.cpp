#include "kel/ModuleLibrary.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

namespace kel::platform {

namespace {

constexpr char kPlugcfgNoteOwner[] = "PLUGCFG";
constexpr ElfW(Word) kPlugcfgNoteType = 1;

// Where the loader mapped one object, with its program headers and dynamic section.
struct LoadedImage {
  ElfW(Addr) base = 0;
  const ElfW(Phdr) * programHeaders = nullptr;
  std::size_t programHeaderCount = 0;
  const ElfW(Dyn) * dynamic = nullptr;
};

struct ImageSearch {
  const link_map* map;
  LoadedImage image;
  bool found;
};

int MatchLoadedObject(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  auto* search = static_cast<ImageSearch*>(data);
  if (info->dlpi_addr != search->map->l_addr) return 0;
  const char* name = info->dlpi_name == nullptr ? "" : info->dlpi_name;
  const char* wanted = search->map->l_name == nullptr ? "" : search->map->l_name;
  if (std::strcmp(name, wanted) != 0) return 0;
  search->image.base = info->dlpi_addr;
  search->image.programHeaders = info->dlpi_phdr;
  search->image.programHeaderCount = info->dlpi_phnum;
  search->image.dynamic = search->map->l_ld;
  search->found = true;
  return 1;
}

// The mapped image behind a dlopen handle. The program headers come from the loader's own
// list of objects (dl_iterate_phdr), so they describe the object as it is mapped now.
std::optional<LoadedImage> FindImage(void* handle) {
  if (handle == nullptr) return std::nullopt;
  link_map* map = nullptr;
  if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return std::nullopt;
  ImageSearch search{map, {}, false};
  ::dl_iterate_phdr(&MatchLoadedObject, &search);
  if (!search.found || search.image.dynamic == nullptr) return std::nullopt;
  return search.image;
}

// A pointer-valued dynamic entry as an address in this process. glibc relocates these
// entries in place when it loads the object, other loaders leave the link-time address:
// a value inside one of the object's segments at link-time addresses still needs the base.
const void* DynamicPointer(const LoadedImage& image, ElfW(Addr) value) {
  for (std::size_t index = 0; index < image.programHeaderCount; ++index) {
    const ElfW(Phdr)& segment = image.programHeaders[index];
    if (segment.p_type != PT_LOAD) continue;
    if (value >= segment.p_vaddr && value - segment.p_vaddr < segment.p_memsz) {
      return reinterpret_cast<const void*>(image.base + value);
    }
  }
  return reinterpret_cast<const void*>(value);
}

// The tables of the dynamic section that name symbols and libraries.
struct DynamicTables {
  const ElfW(Sym) * symbols = nullptr;
  const char* strings = nullptr;
  std::size_t stringsSize = 0;
  const std::uint32_t* sysvHash = nullptr;
  const std::uint32_t* gnuHash = nullptr;
};

DynamicTables ReadDynamicTables(const LoadedImage& image) {
  DynamicTables tables;
  for (const ElfW(Dyn)* entry = image.dynamic; entry->d_tag != DT_NULL; ++entry) {
    switch (entry->d_tag) {
      case DT_SYMTAB:
        tables.symbols = static_cast<const ElfW(Sym)*>(DynamicPointer(image, entry->d_un.d_ptr));
        break;
      case DT_STRTAB:
        tables.strings = static_cast<const char*>(DynamicPointer(image, entry->d_un.d_ptr));
        break;
      case DT_STRSZ:
        tables.stringsSize = entry->d_un.d_val;
        break;
      case DT_HASH:
        tables.sysvHash =
            static_cast<const std::uint32_t*>(DynamicPointer(image, entry->d_un.d_ptr));
        break;
      case DT_GNU_HASH:
        tables.gnuHash =
            static_cast<const std::uint32_t*>(DynamicPointer(image, entry->d_un.d_ptr));
        break;
      default:
        break;
    }
  }
  return tables;
}

// The string at `offset` of the dynamic string table, or empty when out of range.
std::string DynamicString(const DynamicTables& tables, std::size_t offset) {
  if (tables.strings == nullptr || offset >= tables.stringsSize) return {};
  const char* begin = tables.strings + offset;
  const void* end = std::memchr(begin, '\0', tables.stringsSize - offset);
  if (end == nullptr) return {};
  return std::string(begin, static_cast<const char*>(end));
}

// Number of entries of the dynamic symbol table. The object has no section headers in
// memory, so the count comes from a hash table: the chain count of DT_HASH, or one past
// the last symbol reached through the buckets and chains of DT_GNU_HASH.
std::size_t DynamicSymbolCount(const DynamicTables& tables) {
  if (tables.sysvHash != nullptr) return tables.sysvHash[1];
  if (tables.gnuHash == nullptr) return 0;
  const std::uint32_t bucketCount = tables.gnuHash[0];
  const std::uint32_t symbolOffset = tables.gnuHash[1];
  const std::uint32_t bloomWords = tables.gnuHash[2];
  const auto* bloom = reinterpret_cast<const ElfW(Addr)*>(tables.gnuHash + 4);
  const auto* buckets = reinterpret_cast<const std::uint32_t*>(bloom + bloomWords);
  const std::uint32_t* chains = buckets + bucketCount;
  std::uint32_t last = 0;
  for (std::uint32_t bucket = 0; bucket < bucketCount; ++bucket) {
    last = std::max(last, buckets[bucket]);
  }
  if (last < symbolOffset) return symbolOffset;
  // Each chain ends at the entry whose low bit is set.
  while ((chains[last - symbolOffset] & 1u) == 0) ++last;
  return std::size_t{last} + 1;
}

constexpr std::size_t AlignUp(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// The descriptor of the first note of owner `owner` and type `type` in the PT_NOTE
// segments of the image.
std::optional<std::string> FindNote(const LoadedImage& image, const char* owner, ElfW(Word) type) {
  const std::size_t ownerSize = std::strlen(owner) + 1;
  for (std::size_t index = 0; index < image.programHeaderCount; ++index) {
    const ElfW(Phdr)& segment = image.programHeaders[index];
    if (segment.p_type != PT_NOTE) continue;
    // Names and descriptors are padded to the segment's alignment: 4, or 8 for notes
    // laid out with 8-byte alignment.
    const std::size_t alignment = segment.p_align == 8 ? 8 : 4;
    const auto* cursor = reinterpret_cast<const unsigned char*>(image.base + segment.p_vaddr);
    std::size_t remaining = segment.p_memsz;
    while (remaining >= sizeof(ElfW(Nhdr))) {
      ElfW(Nhdr) header;
      std::memcpy(&header, cursor, sizeof header);
      const std::size_t descriptorOffset = sizeof header + AlignUp(header.n_namesz, alignment);
      const std::size_t noteSize = descriptorOffset + AlignUp(header.n_descsz, alignment);
      if (descriptorOffset + header.n_descsz > remaining) break;
      if (header.n_type == type && header.n_namesz == ownerSize &&
          std::memcmp(cursor + sizeof header, owner, ownerSize) == 0) {
        const auto* descriptor = reinterpret_cast<const char*>(cursor + descriptorOffset);
        return std::string(descriptor, header.n_descsz);
      }
      if (noteSize >= remaining) break;
      cursor += noteSize;
      remaining -= noteSize;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<ModuleLibrary> ModuleLibrary::Load(const std::string& path, std::string& error) {
  // Every reference is bound at load, as a host needs them all; the module's symbols stay
  // out of the global scope so two modules never resolve against each other.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    error = "cannot load module '" + path + "': " + (reason == nullptr ? "unknown error" : reason);
    return std::nullopt;
  }
  return ModuleLibrary(handle);
}

bool ModuleLibrary::IsLoaded(const std::string& path) {
  // RTLD_NOLOAD finds an object already mapped (by name or by file identity) and only then
  // takes a reference, which is given straight back.
  void* handle = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  ::dlclose(handle);
  return true;
}

void* ModuleLibrary::FindSymbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  return ::dlsym(handle_, name);
}

bool ModuleLibrary::Unload() {
  void* handle = std::exchange(handle_, nullptr);
  return handle != nullptr && ::dlclose(handle) == 0;
}

std::optional<ModuleLibrary::EmbeddedResource> ModuleLibrary::ReadPlugcfg() const {
  const std::optional<LoadedImage> image = FindImage(handle_);
  if (!image) return std::nullopt;
  std::optional<std::string> note = FindNote(*image, kPlugcfgNoteOwner, kPlugcfgNoteType);
  if (!note) return std::nullopt;
  return EmbeddedResource{std::move(*note), 0, 0};
}

std::optional<ModuleLibrary::EmbeddedResource> ModuleLibrary::ReadApplicationManifest() const {
  return std::nullopt;
}

std::vector<std::string> ModuleLibrary::ExportedFunctionNames() const {
  std::vector<std::string> names;
  const std::optional<LoadedImage> image = FindImage(handle_);
  if (!image) return names;
  const DynamicTables tables = ReadDynamicTables(*image);
  if (tables.symbols == nullptr) return names;
  const std::size_t count = DynamicSymbolCount(tables);
  // Entry 0 is the reserved null symbol.
  for (std::size_t index = 1; index < count; ++index) {
    const ElfW(Sym)& symbol = tables.symbols[index];
    // The st_info encoding is the same in both ELF classes.
    const unsigned binding = ELF64_ST_BIND(symbol.st_info);
    const unsigned kind = ELF64_ST_TYPE(symbol.st_info);
    if (symbol.st_shndx == SHN_UNDEF) continue;
    if (binding != STB_GLOBAL && binding != STB_WEAK && binding != STB_GNU_UNIQUE) continue;
    if (kind == STT_SECTION || kind == STT_FILE) continue;
    names.push_back(DynamicString(tables, symbol.st_name));
  }
  return names;
}

std::optional<ModuleLibrary::ExportDirectory> ModuleLibrary::ReadExportDirectory() const {
  return std::nullopt;
}

std::vector<std::string> ModuleLibrary::ImportedLibraryNames() const {
  std::vector<std::string> names;
  const std::optional<LoadedImage> image = FindImage(handle_);
  if (!image) return names;
  const DynamicTables tables = ReadDynamicTables(*image);
  for (const ElfW(Dyn)* entry = image->dynamic; entry->d_tag != DT_NULL; ++entry) {
    if (entry->d_tag == DT_NEEDED) names.push_back(DynamicString(tables, entry->d_un.d_val));
  }
  return names;
}

}  // namespace kel::platform
