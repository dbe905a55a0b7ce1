#include "kel/ModuleLibrary.h"

#include "WideText.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <utility>

namespace kel::platform {

namespace {

// The absolute form of `path` with backslash separators, so that a path written with
// forward slashes, or one relative to the current drive, names the module the way the
// loader records it.
std::optional<std::wstring> FullPath(const std::string& path) {
  const std::optional<std::wstring> wide = WidenUtf8(path);
  if (!wide || wide->empty()) return std::nullopt;
  const DWORD size = ::GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::nullopt;
  std::wstring full(size, L'\0');
  const DWORD written = ::GetFullPathNameW(wide->c_str(), size, full.data(), nullptr);
  if (written == 0 || written >= size) return std::nullopt;
  full.resize(written);
  return full;
}

// The system's text for an error code, without its final line end.
std::string SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string message = length == 0 ? "unknown error" : NarrowToUtf8(buffer, length);
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  return message + " (error " + std::to_string(code) + ")";
}

// The loaded image behind a module handle, read through its own headers.
class Image {
 public:
  explicit Image(void* handle) : base_(static_cast<const unsigned char*>(handle)) {
    if (base_ == nullptr) return;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base_);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base_ + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE ||
        nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
      return;
    }
    headers_ = nt;
  }

  HMODULE Module() const { return reinterpret_cast<HMODULE>(const_cast<unsigned char*>(base_)); }

  // The data directory `index`, or null when the image has none there.
  const IMAGE_DATA_DIRECTORY* Directory(unsigned index) const {
    if (headers_ == nullptr || index >= headers_->OptionalHeader.NumberOfRvaAndSizes) {
      return nullptr;
    }
    const IMAGE_DATA_DIRECTORY& directory = headers_->OptionalHeader.DataDirectory[index];
    if (directory.VirtualAddress == 0 || directory.Size == 0) return nullptr;
    return &directory;
  }

  template <class T>
  const T* At(DWORD rva) const {
    return reinterpret_cast<const T*>(base_ + rva);
  }

 private:
  const unsigned char* base_;
  const IMAGE_NT_HEADERS64* headers_ = nullptr;
};

// A resource type or name: a string, or an integer identifier when `name` is null.
struct ResourceKey {
  const wchar_t* name;
  WORD id;

  LPCWSTR AsArgument() const { return name != nullptr ? name : MAKEINTRESOURCEW(id); }
};

// The resource directory of an image. Entry offsets are relative to its root.
class ResourceDirectory {
 public:
  explicit ResourceDirectory(const Image& image) {
    const IMAGE_DATA_DIRECTORY* directory = image.Directory(IMAGE_DIRECTORY_ENTRY_RESOURCE);
    if (directory != nullptr) root_ = image.At<unsigned char>(directory->VirtualAddress);
  }

  const IMAGE_RESOURCE_DIRECTORY* Root() const {
    return reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(root_);
  }

  // The entries of `level`, named ones first, as the format stores them.
  std::pair<const IMAGE_RESOURCE_DIRECTORY_ENTRY*, std::size_t> Entries(
      const IMAGE_RESOURCE_DIRECTORY* level) const {
    return {reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY_ENTRY*>(level + 1),
            std::size_t{level->NumberOfNamedEntries} + level->NumberOfIdEntries};
  }

  // The subdirectory under the entry of `level` that matches `key` exactly (names are
  // compared as stored, case included), or null.
  const IMAGE_RESOURCE_DIRECTORY* Find(const IMAGE_RESOURCE_DIRECTORY* level,
                                       const ResourceKey& key) const {
    if (level == nullptr) return nullptr;
    const auto [entries, count] = Entries(level);
    for (std::size_t index = 0; index < count; ++index) {
      const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry = entries[index];
      if (!Matches(entry, key)) continue;
      if ((entry.OffsetToData & IMAGE_RESOURCE_DATA_IS_DIRECTORY) == 0) return nullptr;
      return reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(
          root_ + (entry.OffsetToData & ~IMAGE_RESOURCE_DATA_IS_DIRECTORY));
    }
    return nullptr;
  }

  const IMAGE_RESOURCE_DATA_ENTRY* Data(const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry) const {
    if ((entry.OffsetToData & IMAGE_RESOURCE_DATA_IS_DIRECTORY) != 0) return nullptr;
    return reinterpret_cast<const IMAGE_RESOURCE_DATA_ENTRY*>(root_ + entry.OffsetToData);
  }

 private:
  bool Matches(const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry, const ResourceKey& key) const {
    const bool named = (entry.Name & IMAGE_RESOURCE_NAME_IS_STRING) != 0;
    if (key.name == nullptr) return !named && (entry.Name & 0xFFFFu) == key.id;
    if (!named) return false;
    const auto* stored = reinterpret_cast<const IMAGE_RESOURCE_DIR_STRING_U*>(
        root_ + (entry.Name & ~IMAGE_RESOURCE_NAME_IS_STRING));
    const std::size_t length = std::wcslen(key.name);
    return stored->Length == length && std::wmemcmp(stored->NameString, key.name, length) == 0;
  }

  const unsigned char* root_ = nullptr;
};

// The resource `type`/`name` of the loaded module, in the first language stored for it.
// The bytes come through the loader's resource functions; the language and code page come
// from the resource directory, since no resource function reports the code page.
std::optional<ModuleLibrary::EmbeddedResource> ReadResource(void* handle, ResourceKey type,
                                                            ResourceKey name) {
  if (handle == nullptr) return std::nullopt;
  const Image image(handle);
  const ResourceDirectory directory(image);
  if (directory.Root() == nullptr) return std::nullopt;
  const IMAGE_RESOURCE_DIRECTORY* languages =
      directory.Find(directory.Find(directory.Root(), type), name);
  if (languages == nullptr) return std::nullopt;
  const auto [entries, count] = directory.Entries(languages);
  if (count == 0) return std::nullopt;
  const IMAGE_RESOURCE_DATA_ENTRY* data = directory.Data(entries[0]);
  if (data == nullptr) return std::nullopt;
  const auto language = static_cast<WORD>(entries[0].Name & 0xFFFFu);

  HRSRC found = ::FindResourceExW(image.Module(), type.AsArgument(), name.AsArgument(), language);
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = ::LoadResource(image.Module(), found);
  const DWORD size = ::SizeofResource(image.Module(), found);
  const void* bytes = loaded == nullptr ? nullptr : ::LockResource(loaded);
  if (bytes == nullptr) return std::nullopt;
  return ModuleLibrary::EmbeddedResource{std::string(static_cast<const char*>(bytes), size),
                                         language, data->CodePage};
}

}  // namespace

std::optional<ModuleLibrary> ModuleLibrary::Load(const std::string& path, std::string& error) {
  const std::optional<std::wstring> fullPath = FullPath(path);
  if (!fullPath) {
    error = "cannot load module '" + path + "': not a valid path";
    return std::nullopt;
  }
  HMODULE module = ::LoadLibraryW(fullPath->c_str());
  if (module == nullptr) {
    error = "cannot load module '" + path + "': " + SystemMessage(::GetLastError());
    return std::nullopt;
  }
  return ModuleLibrary(module);
}

bool ModuleLibrary::IsLoaded(const std::string& path) {
  // GetModuleHandleW neither loads the module nor changes its load count.
  const std::optional<std::wstring> fullPath = FullPath(path);
  return fullPath && ::GetModuleHandleW(fullPath->c_str()) != nullptr;
}

void* ModuleLibrary::FindSymbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

bool ModuleLibrary::Unload() {
  void* handle = std::exchange(handle_, nullptr);
  return handle != nullptr && ::FreeLibrary(static_cast<HMODULE>(handle)) != FALSE;
}

std::optional<ModuleLibrary::EmbeddedResource> ModuleLibrary::ReadPlugcfg() const {
  return ReadResource(handle_, {L"PLUGCFG", 0}, {L"PLUGCFG_ID", 0});
}

std::optional<ModuleLibrary::EmbeddedResource> ModuleLibrary::ReadApplicationManifest() const {
  constexpr WORD kManifestType = 24;
  constexpr WORD kManifestId = 2;
  return ReadResource(handle_, {nullptr, kManifestType}, {nullptr, kManifestId});
}

std::vector<std::string> ModuleLibrary::ExportedFunctionNames() const {
  std::vector<std::string> names;
  if (std::optional<ExportDirectory> directory = ReadExportDirectory()) {
    for (ExportedName& exported : directory->names) names.push_back(std::move(exported.name));
  }
  return names;
}

std::optional<ModuleLibrary::ExportDirectory> ModuleLibrary::ReadExportDirectory() const {
  if (handle_ == nullptr) return std::nullopt;
  const Image image(handle_);
  const IMAGE_DATA_DIRECTORY* location = image.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
  if (location == nullptr) return std::nullopt;
  const auto* exports = image.At<IMAGE_EXPORT_DIRECTORY>(location->VirtualAddress);

  ExportDirectory directory;
  if (exports->Name != 0) directory.moduleName = image.At<char>(exports->Name);
  directory.ordinalBase = exports->Base;
  const DWORD* functions = image.At<DWORD>(exports->AddressOfFunctions);
  for (DWORD index = 0; index < exports->NumberOfFunctions; ++index) {
    if (functions[index] != 0) ++directory.exportedFunctionCount;
  }
  const DWORD* names = image.At<DWORD>(exports->AddressOfNames);
  const WORD* nameOrdinals = image.At<WORD>(exports->AddressOfNameOrdinals);
  for (DWORD index = 0; index < exports->NumberOfNames; ++index) {
    // The name table holds indices into the address table; the ordinal adds the base.
    directory.names.push_back({image.At<char>(names[index]), exports->Base + nameOrdinals[index]});
  }
  return directory;
}

std::vector<std::string> ModuleLibrary::ImportedLibraryNames() const {
  std::vector<std::string> names;
  if (handle_ == nullptr) return names;
  const Image image(handle_);
  if (const IMAGE_DATA_DIRECTORY* location = image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT)) {
    // The descriptor array ends with an all-zero descriptor.
    for (const auto* entry = image.At<IMAGE_IMPORT_DESCRIPTOR>(location->VirtualAddress);
         entry->Name != 0; ++entry) {
      names.emplace_back(image.At<char>(entry->Name));
    }
  }
  if (const IMAGE_DATA_DIRECTORY* location = image.Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT)) {
    for (const auto* entry = image.At<IMAGE_DELAYLOAD_DESCRIPTOR>(location->VirtualAddress);
         entry->DllNameRVA != 0; ++entry) {
      names.emplace_back(image.At<char>(entry->DllNameRVA));
    }
  }
  return names;
}

}  // namespace kel::platform
