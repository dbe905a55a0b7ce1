#include "Subprocess.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>

namespace kel::kelhost::testing {
namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

// Appends `argument` so that CommandLineToArgvW reads it back unchanged: quoted when it is
// empty or holds white space or quotes; inside the quotes a run of backslashes is doubled
// where a quote (the closing one included) follows it, and a quote is escaped.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  for (std::size_t at = 0;; ++at) {
    std::size_t backslashes = 0;
    while (at < argument.size() && argument[at] == L'\\') {
      ++backslashes;
      ++at;
    }
    if (at == argument.size()) {
      line.append(backslashes * 2, L'\\');
      break;
    }
    if (argument[at] == L'"') {
      line.append(backslashes * 2 + 1, L'\\');
    } else {
      line.append(backslashes, L'\\');
    }
    line += argument[at];
  }
  line += L'"';
}

// A temporary file the child inherits as a standard handle; deleted when the last handle
// to it is closed.
class CaptureFile {
 public:
  CaptureFile() {
    wchar_t directory[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (::GetTempPathW(MAX_PATH + 1, directory) == 0 ||
        ::GetTempFileNameW(directory, L"kel", 0, name) == 0) {
      ADD_FAILURE() << "cannot name a temporary file";
      return;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    handle_ = ::CreateFileW(
        name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) ADD_FAILURE() << "cannot create a temporary file";
  }
  ~CaptureFile() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  HANDLE Get() const { return handle_; }

  std::string ReadAll() const {
    std::string bytes;
    if (handle_ == INVALID_HANDLE_VALUE) return bytes;
    ::SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(handle_, buffer, sizeof buffer, &read, nullptr) && read > 0) {
      bytes.append(buffer, read);
    }
    return bytes;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments) {
  const CaptureFile output;
  const CaptureFile errors;
  ProcessResult result;

  wchar_t fullPath[MAX_PATH + 1];
  const std::wstring wideProgram = Widen(program);
  if (::GetFullPathNameW(wideProgram.c_str(), MAX_PATH + 1, fullPath, nullptr) == 0) {
    ADD_FAILURE() << "cannot resolve " << program;
    return result;
  }
  std::wstring commandLine;
  AppendQuoted(commandLine, fullPath);
  for (const std::string& argument : arguments) {
    commandLine += L' ';
    AppendQuoted(commandLine, Widen(argument));
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output.Get();
  startup.hStdError = errors.Get();
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(fullPath, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
    ADD_FAILURE() << "cannot start " << program << ": error " << ::GetLastError();
    return result;
  }
  ::CloseHandle(process.hThread);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  ::GetExitCodeProcess(process.hProcess, &exitCode);
  ::CloseHandle(process.hProcess);
  result.exitCode = static_cast<int>(exitCode);
  result.output = output.ReadAll();
  result.errors = errors.ReadAll();
  return result;
}

}  // namespace kel::kelhost::testing
