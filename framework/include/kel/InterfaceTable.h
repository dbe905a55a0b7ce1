// Table-driven QueryInterface: each class lists the contracts it answers, in comparison
// order, with the interface each yields; one lookup serves every class.
#pragma once

#include <cstddef>
#include <cstring>

#include "kel/IObjectBase.h"

namespace kel {

// Exact, case-sensitive comparison of whole identifiers; stops at the first differing byte,
// so it never reads past the end of either string.
inline bool ContractEquals(ContractId known, ContractId requested) noexcept {
  return requested != nullptr && std::strcmp(known, requested) == 0;
}

template <class Class>
struct InterfaceEntry {
  ContractId contract;
  // Converts the object to the interface that answers `contract`.
  IObjectBase* (*select)(Class&) noexcept;
};

// Selects interface I of `object`; I's IObjectBase sits at I's own address, so the result
// is the interface pointer handed out.
template <class Class, class I>
IObjectBase* SelectInterface(Class& object) noexcept {
  return static_cast<I*>(&object);
}

// Writes the interface of the first entry whose contract equals `id`, adding one reference
// through that interface, and returns 0. Returns -3 without touching *out when nothing
// matches or `out` is null.
template <class Class, std::size_t N>
ResultCode QueryInterfaceTable(Class& object, const InterfaceEntry<Class> (&table)[N],
                               ContractId id, void** out) noexcept {
  if (out == nullptr) return result::kNoInterface;
  for (const InterfaceEntry<Class>& entry : table) {
    if (!ContractEquals(entry.contract, id)) continue;
    IObjectBase* answer = entry.select(object);
    *out = answer;
    answer->AddRef();
    return result::kOk;
  }
  return result::kNoInterface;
}

}  // namespace kel
