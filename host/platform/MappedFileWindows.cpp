#include "kel/host/MappedFile.h"

#include <windows.h>

#include "kel/host/WideText.h"

namespace kel::host {
namespace {

// One kernel handle, closed on destruction. The file and its mapping object may go as soon
// as a view is mapped: the view keeps what it needs.
class Handle {
 public:
  explicit Handle(HANDLE handle) noexcept
      : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~Handle() {
    if (handle_ != nullptr) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE Get() const noexcept { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::optional<MappedFile> MappedFile::Open(const std::string& path, std::string& error) {
  const std::optional<std::wstring> widePath = WidenUtf8(path);
  if (!widePath || widePath->empty()) {
    error = "not a valid path";
    return std::nullopt;
  }
  // Checked before opening: opening a device or a pipe may wait, and a directory does not
  // open as a file at all.
  const DWORD attributes = ::GetFileAttributesW(widePath->c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    error = "not a regular file";
    return std::nullopt;
  }
  const Handle file(::CreateFileW(widePath->c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == nullptr) {
    error = SystemMessage(::GetLastError());
    return std::nullopt;
  }
  if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
    error = "not a regular file";
    return std::nullopt;
  }
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.Get(), &size) == FALSE) {
    error = SystemMessage(::GetLastError());
    return std::nullopt;
  }
  // A mapping of an empty file cannot be made.
  if (size.QuadPart == 0) return MappedFile(nullptr, 0);
  const Handle mapping(::CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  const void* view =
      mapping.Get() == nullptr ? nullptr : ::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0);
  if (view == nullptr) {
    error = SystemMessage(::GetLastError());
    return std::nullopt;
  }
  return MappedFile(view, static_cast<std::size_t>(size.QuadPart));
}

void MappedFile::Unmap() noexcept {
  if (data_ != nullptr) ::UnmapViewOfFile(data_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace kel::host
