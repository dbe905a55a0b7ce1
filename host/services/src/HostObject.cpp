#include "kel/host/HostObject.h"

#include <algorithm>
#include <utility>

#include "kel/host/ThreadId.h"

namespace kel::host {
namespace {

constexpr const char* kNullText = "(null)";

}  // namespace

HostObjectCore::HostObjectCore(ObjectKind kind)
    : kind_(kind), serial_(LiveObjects::OnConstructed(kind)), ownerThread_(CurrentThreadId()) {}

HostObjectCore::~HostObjectCore() {
  LiveObjects::OnDestroyed(kind_);
}

std::string HostObjectCore::TraceName() const {
  std::string name(KindName(kind_));
  name += '#';
  name += std::to_string(serial_);
  return name;
}

std::uint32_t HostObjectCore::Calls(Operation operation) const noexcept {
  return calls_[static_cast<std::size_t>(operation)].load(std::memory_order_acquire);
}

std::uint32_t HostObjectCore::CallsBesidesCounting() const noexcept {
  std::uint32_t total = 0;
  for (std::size_t i = 0; i < kOperationCount; ++i) {
    const auto operation = static_cast<Operation>(i);
    if (operation == Operation::AddRef || operation == Operation::Release) continue;
    total += Calls(operation);
  }
  return total;
}

std::vector<std::string> HostObjectCore::QueriedIds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queriedIds_;
}

std::size_t HostObjectCore::ObserverCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return observers_.size();
}

void HostObjectCore::CountCall(Operation operation) noexcept {
  calls_[static_cast<std::size_t>(operation)].fetch_add(1, std::memory_order_acq_rel);
}

void HostObjectCore::RecordQuery(ContractId id) {
  std::lock_guard<std::mutex> lock(mutex_);
  queriedIds_.emplace_back(id != nullptr ? id : kNullText);
}

void HostObjectCore::Register(IObserver* observer, void* cookie) {
  if (observer == nullptr) return;
  std::lock_guard<std::mutex> lock(mutex_);
  observers_.push_back({observer, cookie});
}

void HostObjectCore::Unregister(IObserver* observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (observer == nullptr) {
    observers_.clear();
    return;
  }
  const auto oldest =
      std::find_if(observers_.begin(), observers_.end(),
                   [observer](const Registration& r) { return r.observer == observer; });
  if (oldest != observers_.end()) observers_.erase(oldest);
}

void HostObjectCore::NotifyDestroyed(const void* sender) {
  std::vector<Registration> registrations;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    registrations.swap(observers_);
  }
  for (const Registration& registration : registrations) {
    registration.observer->Notify(sender, IObject::kContractId, kDestroyedEvent, nullptr,
                                  registration.cookie);
  }
}

void HostObjectCore::TraceAddRef(TraceTag tag, RefCount count) {
  if (LiveObjects::Tracing()) LiveObjects::Trace("AddRef", tag.kind, tag.serial, count);
}

void HostObjectCore::TraceRelease(TraceTag tag, RefCount count) {
  if (LiveObjects::Tracing()) LiveObjects::Trace("Release", tag.kind, tag.serial, count);
}

}  // namespace kel::host
