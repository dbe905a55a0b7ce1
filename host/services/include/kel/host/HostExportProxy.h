// The export proxy a host injects under a property name.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "kel/HostServices.h"
#include "kel/ObjectPtr.h"
#include "kel/host/HostObject.h"

namespace kel::host {

// Yields one exported object, of which it owns one reference for its whole life. Answers
// "com.velkora.general.kel.IExportProxy/1.0", then IObject and IObjectBase. Thread-safe.
class HostExportProxy final
    : public HostObject<HostExportProxy, IExportProxy, ObjectKind::ExportProxy> {
 public:
  // `exported` may be empty: the proxy then yields nothing.
  [[nodiscard]] static ObjectPtr<HostExportProxy> Create(ObjectPtr<IObjectBase> exported = nullptr);

  // -4 for a null `object`. Otherwise writes the exported object with one reference for the
  // caller, unless there is none or the proxy is told to yield nothing, in which case
  // *object is left as it was; returns the configured code (0 unless set).
  ResultCode GetExportedObject(IObjectBase** object) override;

  // Makes later calls leave *object untouched (true) or yield the exported object again.
  void YieldNothing(bool nothing) noexcept { yieldNothing_.store(nothing); }
  // What later calls with a non-null `object` return, whatever they write.
  void ReturnCode(ResultCode code) noexcept { returnCode_.store(code); }

  std::uint32_t GetExportedObjectCalls() const noexcept { return getExportedObjectCalls_.load(); }
  // The exported object, not owned; null when there is none.
  IObjectBase* Exported() const noexcept { return exported_.Get(); }

 private:
  friend class kel::ObjectLifetime;

  explicit HostExportProxy(ObjectPtr<IObjectBase> exported) : exported_(std::move(exported)) {}
  ~HostExportProxy() = default;

  const ObjectPtr<IObjectBase> exported_;
  std::atomic<bool> yieldNothing_{false};
  std::atomic<ResultCode> returnCode_{result::kOk};
  std::atomic<std::uint32_t> getExportedObjectCalls_{0};
};

}  // namespace kel::host
