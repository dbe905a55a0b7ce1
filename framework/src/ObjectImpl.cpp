#include "kel/ObjectImpl.h"

#include "kel/IObjectBase.h"
#include "kel/IObserver.h"
#include "kel/OperationBoundary.h"
#include "kel/Platform.h"

namespace kel {

ObjectImpl::ObjectImpl() : ownerThreadId_(platform::CurrentThreadId()) {}

ObjectImpl::~ObjectImpl() {
  observers_.NotifyAll(IObject::kContractId, kDestroyedEvent, this);
}

void ObjectImpl::AddObserver(IObserver* observer, void* cookie) {
  RunOperation(
      [&] { observers_.AddRegistration(IObject::kContractId, kDestroyedEvent, observer, cookie); });
}

void ObjectImpl::RemoveObserver(IObserver* observer) {
  observers_.RemoveRegistration(IObject::kContractId, kDestroyedEvent, observer);
}

ResultCode ObjectImpl::SetThreadId(ThreadId threadId) noexcept {
  ownerThreadId_ = threadId;
  return result::kOk;
}

}  // namespace kel
