// What owning a mapping means on every platform: handed over by a move and given back by
// Unmap, which each platform file implements.
#include "kel/host/MappedFile.h"

#include <utility>

namespace kel::host {

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Unmap();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

MappedFile::~MappedFile() {
  Unmap();
}

}  // namespace kel::host
