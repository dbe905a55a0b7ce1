// Exhausted memory in the form a host built with Microsoft's C++ compiler catches: its
// runtime's exception 0xE06D7363, carrying an object laid out as its std::bad_alloc and a
// throw description naming the types it can be caught as. The system C runtime raises it,
// as that compiler's own `throw` does. The object is whole: its table of virtual functions
// is preceded by the complete-object locator that the host's typeid and dynamic_cast read.
#include <cstdint>

#include "kel/Platform.h"

namespace {

// The layout of std::exception (and so of std::bad_alloc) under that compiler: the table of
// virtual functions, the message, and whether the object owns the message.
struct HostBadAlloc {
  const void* const* virtualFunctions;
  const char* message;
  bool ownsMessage;
};
static_assert(sizeof(HostBadAlloc) == 24);

}  // namespace

// Called by the host's runtime and code through the object's table or the throw
// description; plain functions have that compiler's calling convention for members on x64
// (`this` first). The message is static, so destruction has nothing to free.
extern "C" {
[[gnu::used]] void* KelHostBadAllocScalarDeletingDestructor(HostBadAlloc* self, unsigned) {
  return self;
}
[[gnu::used]] const char* KelHostBadAllocWhat(const HostBadAlloc* self) {
  return self->message != nullptr ? self->message : "Unknown exception";
}
[[gnu::used]] void KelHostBadAllocDestroy(HostBadAlloc*) {}

// The records of BadAllocRecordsWindows.S, and the system runtime's raise function.
extern const void* const KelHostBadAllocVirtualFunctions[];
extern const unsigned char KelHostBadAllocThrowInfo[];
[[noreturn]] void _CxxThrowException(void* object, const void* throwInfo);
}

namespace kel::platform {

void RaiseBadAllocToHost() {
  HostBadAlloc exception{KelHostBadAllocVirtualFunctions, "bad allocation", false};
  _CxxThrowException(&exception, KelHostBadAllocThrowInfo);
}

}  // namespace kel::platform
