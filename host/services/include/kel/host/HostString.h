// The host's strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kel/HostServices.h"
#include "kel/host/HostObject.h"

namespace kel::host {

// An immutable copy of any bytes, those of 0x80 and above included. Answers IObject and
// IObjectBase only.
class HostString final : public HostObject<HostString, IString, ObjectKind::String> {
 public:
  [[nodiscard]] static ObjectPtr<HostString> Create(std::string_view text);

  // The copy, NUL-terminated; valid while the string lives.
  const char* GetText() override;
  // The number of bytes copied.
  std::uint32_t GetLength() override;

  // The copy, read without counting a call.
  std::string_view Text() const noexcept { return text_; }

 private:
  friend class kel::ObjectLifetime;

  explicit HostString(std::string_view text) : text_(text) {}
  ~HostString() = default;

  const std::string text_;
};

}  // namespace kel::host
