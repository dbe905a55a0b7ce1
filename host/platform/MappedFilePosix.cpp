#include "kel/host/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kel::host {
namespace {

std::string ErrnoText() {
  return std::generic_category().message(errno);
}

// One open descriptor, closed on destruction.
class Descriptor {
 public:
  explicit Descriptor(int descriptor) noexcept : descriptor_(descriptor) {}
  ~Descriptor() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int Get() const noexcept { return descriptor_; }

 private:
  int descriptor_;
};

}  // namespace

std::optional<MappedFile> MappedFile::Open(const std::string& path, std::string& error) {
  // Opened without blocking, so a FIFO with no writer or a device that waits is refused by
  // the type check below instead of holding the caller forever; a regular file reads and
  // maps the same either way.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.Get() < 0) {
    error = ErrnoText();
    return std::nullopt;
  }
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) {
    error = ErrnoText();
    return std::nullopt;
  }
  if (!S_ISREG(status.st_mode)) {
    error = "not a regular file";
    return std::nullopt;
  }
  const auto size = static_cast<std::size_t>(status.st_size);
  // mmap refuses a length of 0.
  if (size == 0) return MappedFile(nullptr, 0);
  void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.Get(), 0);
  if (data == MAP_FAILED) {
    error = ErrnoText();
    return std::nullopt;
  }
  return MappedFile(data, size);
}

void MappedFile::Unmap() noexcept {
  if (data_ != nullptr) ::munmap(const_cast<void*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace kel::host
