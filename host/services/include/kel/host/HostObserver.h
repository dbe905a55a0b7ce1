// The host's observer of object destruction.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "kel/IObserver.h"
#include "kel/ObjectPtr.h"
#include "kel/host/HostObject.h"

namespace kel::host {

// One Notify call as received. Null strings are recorded as "(null)".
struct Notice {
  const void* sender;
  std::string contract;
  std::string event;
  void* eventData;
  void* cookie;

  bool operator==(const Notice&) const = default;
};

// Records every notice in the order received. Answers IObject and IObjectBase only.
// Thread-safe.
class HostObserver final : public HostObject<HostObserver, IObserver, ObjectKind::Observer> {
 public:
  // Runs inside Notify, after the notice is recorded and without a lock held, on the
  // notifying thread.
  using Callback = std::function<void(const Notice&)>;

  [[nodiscard]] static ObjectPtr<HostObserver> Create(Callback onNotify = nullptr);

  // Records the notice, runs the callback, returns 0.
  ResultCode Notify(const void* sender, ContractId contract, const char* event, void* eventData,
                    void* cookie) override;

  std::uint32_t NotifyCalls() const noexcept { return notifyCalls_.load(); }
  std::vector<Notice> Notices() const;

 private:
  friend class kel::ObjectLifetime;

  explicit HostObserver(Callback onNotify) : onNotify_(std::move(onNotify)) {}
  ~HostObserver() = default;

  const Callback onNotify_;
  std::atomic<std::uint32_t> notifyCalls_{0};
  mutable std::mutex noticesMutex_;  // guards notices_
  std::vector<Notice> notices_;
};

}  // namespace kel::host
