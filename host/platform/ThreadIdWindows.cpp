#include "kel/host/ThreadId.h"

#include <windows.h>

namespace kel::host {

ThreadId CurrentThreadId() noexcept {
  return static_cast<ThreadId>(::GetCurrentThreadId());
}

}  // namespace kel::host
