#include "Process.h"

#include <windows.h>

#include <shellapi.h>

#include "kel/host/WideText.h"

#include <fcntl.h>
#include <io.h>

#include <cstddef>
#include <cwchar>
#include <optional>

namespace kel::kelhost {
namespace {

// The array CommandLineToArgvW allocates, freed with LocalFree.
class WideArguments {
 public:
  WideArguments() : arguments_(::CommandLineToArgvW(::GetCommandLineW(), &count_)) {}
  ~WideArguments() {
    if (arguments_ != nullptr) ::LocalFree(arguments_);
  }
  WideArguments(const WideArguments&) = delete;
  WideArguments& operator=(const WideArguments&) = delete;

  int Count() const noexcept { return arguments_ == nullptr ? 0 : count_; }
  const wchar_t* operator[](int index) const noexcept { return arguments_[index]; }

 private:
  int count_ = 0;
  LPWSTR* arguments_;
};

}  // namespace

// argv is the C runtime's reading of the command line in the ANSI code page, which loses
// every character outside it; the wide command line keeps them.
std::vector<std::string> ProcessArguments(int /*argc*/, char** /*argv*/) {
  const WideArguments wide;
  std::vector<std::string> arguments;
  for (int index = 1; index < wide.Count(); ++index) {
    arguments.push_back(host::NarrowToUtf8(wide[index], std::wcslen(wide[index])));
  }
  return arguments;
}

std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return host::NarrowToUtf8(path.data(), length);
    path.resize(path.size() * 2);
  }
}

bool FileExists(const std::string& path) {
  const std::optional<std::wstring> wide = host::WidenUtf8(path);
  return wide && ::GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool OpenPipe(int ends[2]) {
  return ::_pipe(ends, 64 * 1024, _O_BINARY | _O_NOINHERIT) == 0;
}

}  // namespace kel::kelhost
