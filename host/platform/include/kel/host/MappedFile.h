// A whole file mapped read-only into memory. Only the pages that are read are brought in, so
// reading the headers and one section of a large file costs about as much as those bytes.
// Exactly one of MappedFileWindows.cpp and MappedFilePosix.cpp is built.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kel::host {

// Owns one mapping of a file's bytes: moving hands it over, destruction gives it back. The
// file itself is closed once it is mapped. A file that is cut short while it is mapped makes
// reading a page past its new end fail hard (SIGBUS, an in-page error); hosts read module
// files that nobody writes meanwhile.
class MappedFile {
 public:
  // Maps the regular file at `path` (UTF-8). On failure returns nullopt and sets `error` to
  // the system's reason, without the path.
  static std::optional<MappedFile> Open(const std::string& path, std::string& error);

  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  // Every byte of the file (none for an empty file), valid while this object holds the
  // mapping.
  std::string_view Bytes() const noexcept { return {static_cast<const char*>(data_), size_}; }

 private:
  MappedFile(const void* data, std::size_t size) noexcept : data_(data), size_(size) {}

  // Gives the mapping back; nothing is held afterwards.
  void Unmap() noexcept;

  // The first mapped byte; null when nothing is mapped (an empty file, or after a move).
  const void* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace kel::host
