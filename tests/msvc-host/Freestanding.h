// What the host needs of a C++ runtime without having one: console output through
// kernel32, a few byte-string helpers, and the standard exception classes laid out and
// named as Microsoft's runtime has them, so that its exceptions are caught by type.
#pragma once

using Size = unsigned long long;

extern "C" {
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* bytes, unsigned long count,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned code);
__declspec(dllimport) void* __stdcall LoadLibraryW(const wchar_t* path);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
__declspec(dllimport) int __stdcall FreeLibrary(void* module);
__declspec(dllimport) wchar_t* __stdcall GetCommandLineW();
__declspec(dllimport) unsigned long __stdcall GetCurrentThreadId();
}

namespace std {
// std::exception and std::bad_alloc as Microsoft's runtime declares them: a message and
// whether the object owns it. The exception only ever arrives from the module here.
class exception {
 public:
  exception() noexcept = default;
  virtual ~exception() noexcept {}
  virtual const char* what() const { return message_ != nullptr ? message_ : "Unknown exception"; }

 private:
  const char* message_ = nullptr;
  [[maybe_unused]] bool ownsMessage_ = false;
};
class bad_alloc : public exception {};
}  // namespace std

namespace host {

inline Size Length(const char* text) {
  Size length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

inline bool Equal(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

inline void Write(unsigned long stream, const char* text) {
  unsigned long written = 0;
  WriteFile(GetStdHandle(stream), text, static_cast<unsigned long>(Length(text)), &written,
            nullptr);
}

constexpr unsigned long kStdout = static_cast<unsigned long>(-11);
constexpr unsigned long kStderr = static_cast<unsigned long>(-12);

}  // namespace host
