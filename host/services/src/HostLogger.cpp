#include "kel/host/HostLogger.h"

namespace kel::host {

ObjectPtr<HostLogger> HostLogger::Create() {
  return ObjectLifetime::Create<HostLogger>();
}

ResultCode HostLogger::Log(const char* line) {
  CountCall(Operation::Own);
  ++logCalls_;
  if (line == nullptr) return result::kNothingToActOn;
  std::lock_guard<std::mutex> lock(linesMutex_);
  lines_.emplace_back(line);
  return result::kOk;
}

std::vector<std::string> HostLogger::Lines() const {
  std::lock_guard<std::mutex> lock(linesMutex_);
  return lines_;
}

}  // namespace kel::host
