#include "kel/Platform.h"

#include <windows.h>

#include <cstdlib>
#include <new>

namespace kel::platform {

static_assert(sizeof(CRITICAL_SECTION) <= 64 && alignof(CRITICAL_SECTION) <= 16);

ThreadId CurrentThreadId() noexcept {
  return static_cast<ThreadId>(::GetCurrentThreadId());
}

// The runtime keeps a DLL's atexit list apart from the process's and runs it when the DLL
// is detached.
void RegisterModuleExit(void (*function)()) {
  std::atexit(function);
}

namespace {
CRITICAL_SECTION* Section(unsigned char* storage) {
  return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}
}  // namespace

RecursiveLock::RecursiveLock() {
  ::InitializeCriticalSection(::new (static_cast<void*>(storage_)) CRITICAL_SECTION);
}
RecursiveLock::~RecursiveLock() {
  ::DeleteCriticalSection(Section(storage_));
}
void RecursiveLock::Lock() noexcept {
  ::EnterCriticalSection(Section(storage_));
}
void RecursiveLock::Unlock() noexcept {
  ::LeaveCriticalSection(Section(storage_));
}

}  // namespace kel::platform
