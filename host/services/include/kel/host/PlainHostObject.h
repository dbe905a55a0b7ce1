// A host object with no interface of its own.
#pragma once

#include "kel/IObjectBase.h"
#include "kel/ObjectPtr.h"
#include "kel/host/HostObject.h"

namespace kel::host {

// Answers IObject and IObjectBase only: an injected object that is not a proxy, or an
// exported object that lacks the interface asked for. QueryInterface calls and the ids
// asked are counted by the base (Calls, QueriedIds).
class PlainHostObject final : public HostObject<PlainHostObject, IObject, ObjectKind::PlainObject> {
 public:
  [[nodiscard]] static ObjectPtr<PlainHostObject> Create();

 private:
  friend class kel::ObjectLifetime;

  PlainHostObject() = default;
  ~PlainHostObject() = default;
};

}  // namespace kel::host
