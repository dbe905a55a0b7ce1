#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace kel::host::testing {
namespace {

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::filesystem::path FromUtf8(std::string_view path) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}

}  // namespace

TemporaryDirectory::TemporaryDirectory() {
  std::random_device random;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::filesystem::path candidate =
        base / ("kel-test-" + std::to_string(random()) + "-" + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = Utf8(candidate);
      return;
    }
  }
  ADD_FAILURE() << "cannot create a directory under " << Utf8(base);
}

TemporaryDirectory::~TemporaryDirectory() {
  if (path_.empty()) return;
  std::error_code error;
  std::filesystem::remove_all(FromUtf8(path_), error);
}

std::string TemporaryDirectory::Write(std::string_view name, std::string_view bytes) const {
  const std::filesystem::path file = FromUtf8(path_) / FromUtf8(name);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  EXPECT_TRUE(out) << "cannot write " << Utf8(file);
  return Utf8(file);
}

}  // namespace kel::host::testing
