// What only the operating system provides, behind one small interface. Exactly one of
// PlatformWindows.cpp and PlatformPosix.cpp is built; no other file tests for the platform.
#pragma once

#include <cstddef>

#include "kel/Types.h"

namespace kel::platform {

// The identifier of the calling thread.
ThreadId CurrentThreadId() noexcept;

// Adds `function` to the exit list of the module this code is linked into: such functions
// run in reverse order of registration when the module is unloaded (FreeLibrary, dlclose)
// or the process ends.
void RegisterModuleExit(void (*function)());

// Leaves the calling operation with exhausted memory as the host's C++ runtime expects it:
// a std::bad_alloc of this runtime on Linux; on Windows a Microsoft C++ exception of type
// std::bad_alloc (derived from std::exception), raised through the system C runtime, which
// a host built with Microsoft's compiler catches and destroys as its own.
[[noreturn]] void RaiseBadAllocToHost();

// A re-entrant lock: the thread that holds it may take it again. A Windows critical
// section; a recursive mutex elsewhere.
class RecursiveLock {
 public:
  RecursiveLock();
  ~RecursiveLock();
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

  void Lock() noexcept;
  void Unlock() noexcept;

 private:
  static constexpr std::size_t kStorageSize = 64;
  alignas(16) unsigned char storage_[kStorageSize];
};

// Holds a RecursiveLock for one scope.
class ScopedLock {
 public:
  explicit ScopedLock(RecursiveLock& lock) noexcept : lock_(lock) { lock_.Lock(); }
  ~ScopedLock() { lock_.Unlock(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  RecursiveLock& lock_;
};

}  // namespace kel::platform
