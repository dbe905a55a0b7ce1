// The logger a host injects under the "Logger" import.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "kel/ObjectPtr.h"
#include "kel/host/HostObject.h"
#include "kel/host/ILogger.h"

namespace kel::host {

// Records the lines it is given. Answers "com.velkora.general.kel.ILogger/1.0", then
// IObject and IObjectBase. CallsBesidesCounting() covers Log too, so zero means nothing but
// AddRef and Release ever reached the logger. Thread-safe.
class HostLogger final : public HostObject<HostLogger, ILogger, ObjectKind::Logger> {
 public:
  [[nodiscard]] static ObjectPtr<HostLogger> Create();

  ResultCode Log(const char* line) override;

  std::uint32_t LogCalls() const noexcept { return logCalls_.load(); }
  std::vector<std::string> Lines() const;

 private:
  friend class kel::ObjectLifetime;

  HostLogger() = default;
  ~HostLogger() = default;

  std::atomic<std::uint32_t> logCalls_{0};
  mutable std::mutex linesMutex_;  // guards lines_
  std::vector<std::string> lines_;
};

}  // namespace kel::host
