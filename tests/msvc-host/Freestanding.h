// What the host needs of a C++ runtime without having one: console output through
// kernel32, a few byte-string helpers, and the standard exception classes laid out and
// named as Microsoft's runtime has them, so that its exceptions are caught by type and
// typeid and dynamic_cast work on them.
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

// type_info as Microsoft's runtime declares it: what typeid yields, whose name is kept and
// compared by the runtime.
struct __std_type_info_data {
  const char* undecoratedName;
  const char decoratedName[1];
};
struct alignas(16) __type_info_node {
  unsigned long long listHead[2];  // the runtime's list of names it made
};
extern "C" {
const char* __std_type_info_name(__std_type_info_data* data, __type_info_node* root);
int __std_type_info_compare(const __std_type_info_data* left, const __std_type_info_data* right);
extern __type_info_node __type_info_root_node;
}
class type_info {
 public:
  type_info(const type_info&) = delete;
  type_info& operator=(const type_info&) = delete;
  const char* name() const { return __std_type_info_name(&data_, &__type_info_root_node); }
  const char* raw_name() const { return data_.decoratedName; }
  bool operator==(const type_info& other) const {
    return __std_type_info_compare(&data_, &other.data_) == 0;
  }
  virtual ~type_info() noexcept;

 private:
  mutable __std_type_info_data data_;
};

namespace std {
using ::type_info;

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
