// The host's logger interface: what a host injects under the "Logger" import.
#pragma once

#include "kel/IObjectBase.h"

namespace kel::host {

class ILogger : public IObject {
 public:
  static constexpr ContractId kContractId = "com.velkora.general.kel.ILogger/1.0";

  // Logs one line of NUL-terminated text; returns 0, or -7 when `line` is null.
  virtual ResultCode Log(const char* line) = 0;

 protected:
  ~ILogger() = default;
};

}  // namespace kel::host
