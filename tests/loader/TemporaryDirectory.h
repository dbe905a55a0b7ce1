// A fresh directory under the system's temporary directory for files a test writes, removed
// with everything in it when the object goes.
#pragma once

#include <string>
#include <string_view>

namespace kel::host::testing {

class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  // Writes `bytes` to the file `name` in the directory, replacing it; returns its path
  // (UTF-8). Fails the calling test when the file cannot be written.
  std::string Write(std::string_view name, std::string_view bytes) const;

  const std::string& Path() const noexcept { return path_; }

 private:
  std::string path_;
};

}  // namespace kel::host::testing
