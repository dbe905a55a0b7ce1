#include "kel/host/ThreadId.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace kel::host {

ThreadId CurrentThreadId() noexcept {
  return static_cast<ThreadId>(::syscall(SYS_gettid));
}

}  // namespace kel::host
