#include "kel/host/HostObserver.h"

namespace kel::host {
namespace {

std::string CopyText(const char* text) {
  return text != nullptr ? text : "(null)";
}

}  // namespace

ObjectPtr<HostObserver> HostObserver::Create(Callback onNotify) {
  return ObjectLifetime::Create<HostObserver>(std::move(onNotify));
}

ResultCode HostObserver::Notify(const void* sender, ContractId contract, const char* event,
                                void* eventData, void* cookie) {
  CountCall(Operation::Own);
  ++notifyCalls_;
  Notice notice{sender, CopyText(contract), CopyText(event), eventData, cookie};
  {
    std::lock_guard<std::mutex> lock(noticesMutex_);
    notices_.push_back(notice);
  }
  if (onNotify_) onNotify_(notice);
  return result::kOk;
}

std::vector<Notice> HostObserver::Notices() const {
  std::lock_guard<std::mutex> lock(noticesMutex_);
  return notices_;
}

}  // namespace kel::host
