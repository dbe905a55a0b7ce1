#include "kel/host/PlainHostObject.h"

namespace kel::host {

ObjectPtr<PlainHostObject> PlainHostObject::Create() {
  return ObjectLifetime::Create<PlainHostObject>();
}

}  // namespace kel::host
