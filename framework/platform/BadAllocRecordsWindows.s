# The records Microsoft's C++ compiler emits for `class bad_alloc : public exception` and a
# throw of it, field for field, for the exception that BadAllocWindows.cpp raises. Assembled
# on their own, so that no compiled function can ever land in a data section beside them.
#
# Offsets in them are relative to this module's base address (`.rva`); the runtime finds the
# base from the locator's offset to itself, or from the address of the throw description.
# The type descriptors sit in writable data, since the runtime caches a readable name in
# their second field; their first field, the type_info table, is left null: the runtime
# compares type descriptors by name and never calls through it.
    .data
    .p2align 3
KelTypeBadAlloc:                # type descriptor: type_info table, cached name, raw name
    .quad 0, 0
    .asciz ".?AVbad_alloc@std@@"
    .p2align 3
KelTypeException:
    .quad 0, 0
    .asciz ".?AVexception@std@@"

    .section .rdata,"dr"
    .p2align 2
KelLocatorBadAlloc:             # complete-object locator
    .long 1                     # signature: image-relative offsets
    .long 0                     # offset of this table's subobject in the complete object
    .long 0                     # constructor displacement offset
    .rva KelTypeBadAlloc
    .rva KelHierarchyBadAlloc
    .rva KelLocatorBadAlloc     # the locator itself, from which the base address follows
KelHierarchyBadAlloc:           # class hierarchy descriptor
    .long 0                     # signature
    .long 0                     # attributes: single, non-virtual inheritance
    .long 2                     # classes in the hierarchy, the class itself first
    .rva KelBasesBadAlloc
KelBasesBadAlloc:
    .rva KelBaseBadAlloc
    .rva KelBaseException
    .long 0
KelBaseBadAlloc:                # base class descriptor
    .rva KelTypeBadAlloc
    .long 1                     # bases it contains
    .long 0, -1, 0              # displacement: member 0, no virtual base
    .long 0x40                  # attributes: has a class hierarchy descriptor
    .rva KelHierarchyBadAlloc
KelBaseException:
    .rva KelTypeException
    .long 0
    .long 0, -1, 0
    .long 0x40
    .rva KelHierarchyException
KelHierarchyException:
    .long 0, 0, 1
    .rva KelBasesException
KelBasesException:
    .rva KelBaseException
    .long 0

    .p2align 3
    .quad KelLocatorBadAlloc    # the locator, immediately before the table
    .globl KelHostBadAllocVirtualFunctions
KelHostBadAllocVirtualFunctions:
    .quad KelHostBadAllocScalarDeletingDestructor
    .quad KelHostBadAllocWhat

    .p2align 2
KelCatchableBadAlloc:           # catchable type
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
KelHostBadAllocThrowInfo:       # throw description
    .long 0                     # attributes
    .rva KelHostBadAllocDestroy # destructor of the thrown object
    .long 0                     # forward compatibility handler
    .rva KelCatchableTypes
