#include "kel/host/HostString.h"

namespace kel::host {

ObjectPtr<HostString> HostString::Create(std::string_view text) {
  return ObjectLifetime::Create<HostString>(text);
}

const char* HostString::GetText() {
  CountCall(Operation::Own);
  return text_.c_str();
}

std::uint32_t HostString::GetLength() {
  CountCall(Operation::Own);
  return static_cast<std::uint32_t>(text_.size());
}

}  // namespace kel::host
