#include "kel/host/HostExportProxy.h"

namespace kel::host {

ObjectPtr<HostExportProxy> HostExportProxy::Create(ObjectPtr<IObjectBase> exported) {
  return ObjectLifetime::Create<HostExportProxy>(std::move(exported));
}

ResultCode HostExportProxy::GetExportedObject(IObjectBase** object) {
  CountCall(Operation::Own);
  ++getExportedObjectCalls_;
  if (object == nullptr) return result::kNullObjectOut;
  if (exported_ && !yieldNothing_.load()) exported_.CopyTo(object);
  return returnCode_.load();
}

}  // namespace kel::host
