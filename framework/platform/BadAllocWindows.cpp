// Exhausted memory in the form a host built with Microsoft's C++ compiler catches: its
// runtime's exception 0xE06D7363, carrying an object laid out as its std::bad_alloc and a
// throw description naming the types it can be caught as. The system C runtime raises it,
// as that compiler's own `throw` does.
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

// The throw description (below) and the system runtime's raise function.
extern const unsigned char KelHostBadAllocThrowInfo[];
[[noreturn]] void _CxxThrowException(void* object, const void* throwInfo);
}

namespace {
// Slot 0: the scalar deleting destructor; slot 1: what().
const void* const kHostBadAllocFunctions[] = {
    reinterpret_cast<const void*>(&KelHostBadAllocScalarDeletingDestructor),
    reinterpret_cast<const void*>(&KelHostBadAllocWhat),
};
}  // namespace

// Offsets in these records are relative to this module's base address (`.rva`), which the
// runtime finds from the address of the throw description. The type descriptors sit in
// writable data: the runtime caches a readable name in their second field. Their first
// field, the type_info table, is never read when an exception is matched (names are).
asm(R"(
    .data
    .p2align 3
KelTypeBadAlloc:
    .quad 0, 0
    .asciz ".?AVbad_alloc@std@@"
    .p2align 3
KelTypeException:
    .quad 0, 0
    .asciz ".?AVexception@std@@"

    .section .rdata,"dr"
    .p2align 2
KelCatchableBadAlloc:
    .long 0x10                  # properties: the standard bad_alloc
    .rva KelTypeBadAlloc
    .long 0, -1, 0              # this displacement: none, no virtual base
    .long 24                    # object size
    .long 0                     # copied bitwise
KelCatchableException:
    .long 0
    .rva KelTypeException
    .long 0, -1, 0
    .long 24
    .long 0
KelCatchableTypes:
    .long 2
    .rva KelCatchableBadAlloc
    .rva KelCatchableException
    .globl KelHostBadAllocThrowInfo
KelHostBadAllocThrowInfo:
    .long 0                     # attributes
    .rva KelHostBadAllocDestroy # destructor of the thrown object
    .long 0                     # forward compatibility handler
    .rva KelCatchableTypes
)");

namespace kel::platform {

void RaiseBadAllocToHost() {
  HostBadAlloc exception{kHostBadAllocFunctions, "bad allocation", false};
  _CxxThrowException(&exception, KelHostBadAllocThrowInfo);
}

}  // namespace kel::platform
