// The identifier of the calling thread, as the system numbers threads: the same number a kel
// object records as its owner thread. Exactly one of ThreadIdPosix.cpp and
// ThreadIdWindows.cpp is built.
#pragma once

#include "kel/Types.h"

namespace kel::host {

ThreadId CurrentThreadId() noexcept;

}  // namespace kel::host
