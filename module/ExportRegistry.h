// The module's table of exported objects, behind GetExport.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "kel/IObjectBase.h"
#include "kel/Types.h"

namespace kel {

// Maps export identifiers to exported objects without owning them: storing takes no
// reference and removing gives none back. Keys are compared as whole byte strings.
//
// One registry exists per module load, set up on first use (during static initialisation)
// and torn down from the module's exit list. Not locked: registration happens while the
// loader serialises, and afterwards the registry is only read.
class ExportRegistry {
 public:
  // The module's registry. The first call creates it, prints "PlugDLL created" and
  // registers its teardown, which prints "PlugDLL deleted" at unload. Null from the
  // teardown on: an unload is final, and nothing is set up again.
  static ExportRegistry* Instance();

  // Stores `object` under `id`, replacing the pointer of an existing entry.
  void Register(std::string_view id, IObjectBase* object);

  // Writes the object registered under `id` with one more reference and returns 0. With
  // an unknown (or null) id, writes null and returns -1; with a null `out`, returns -1 and
  // writes nothing.
  ResultCode Lookup(ContractId id, IObjectBase** out) const;

 private:
  static void TearDown() noexcept;

  std::map<std::string, IObjectBase*, std::less<>> exports_;
};

}  // namespace kel
