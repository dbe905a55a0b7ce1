#include "kel/Platform.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <new>

namespace kel::platform {

static_assert(sizeof(std::recursive_mutex) <= 64 && alignof(std::recursive_mutex) <= 16);

ThreadId CurrentThreadId() noexcept {
  return static_cast<ThreadId>(::syscall(SYS_gettid));
}

// atexit called from a shared object registers with that object's handle, so the function
// runs at its dlclose (or at process exit if it is never unloaded).
void RegisterModuleExit(void (*function)()) {
  std::atexit(function);
}

void RaiseBadAllocToHost() {
  throw std::bad_alloc();
}

namespace {
std::recursive_mutex* Mutex(unsigned char* storage) {
  return std::launder(reinterpret_cast<std::recursive_mutex*>(storage));
}
}  // namespace

RecursiveLock::RecursiveLock() {
  ::new (static_cast<void*>(storage_)) std::recursive_mutex;
}
RecursiveLock::~RecursiveLock() {
  Mutex(storage_)->~recursive_mutex();
}
void RecursiveLock::Lock() noexcept {
  Mutex(storage_)->lock();
}
void RecursiveLock::Unlock() noexcept {
  Mutex(storage_)->unlock();
}

}  // namespace kel::platform
