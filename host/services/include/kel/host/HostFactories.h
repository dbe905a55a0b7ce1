// The host's string and collection factories, with failure injection.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "kel/HostServices.h"
#include "kel/ObjectPtr.h"
#include "kel/host/HostObject.h"

namespace kel::host {

// Makes HostStrings. Answers "com.velkora.general.kel.IStringFactory/1.0", then IObject and
// IObjectBase. Thread-safe.
class HostStringFactory final
    : public HostObject<HostStringFactory, IStringFactory, ObjectKind::StringFactory> {
 public:
  [[nodiscard]] static ObjectPtr<HostStringFactory> Create();

  // Writes a new HostString holding the bytes of `text` before its NUL, with one reference
  // for the caller, and returns 0. Failing: returns kInjectedFailure and writes nothing.
  // Otherwise -4 for a null `string` and -7 for a null `text`, writing nothing.
  ResultCode CreateString(const char* text, IString** string) override;

  // Makes every later CreateString fail (true) or succeed again (false).
  void FailCreateString(bool fail) noexcept { failCreateString_.store(fail); }

  std::uint32_t CreateStringCalls() const noexcept { return createStringCalls_.load(); }
  // The texts of every CreateString call with a non-null `text`, failing calls included,
  // in call order.
  std::vector<std::string> RequestedTexts() const;

 private:
  friend class kel::ObjectLifetime;

  HostStringFactory() = default;
  ~HostStringFactory() = default;

  std::atomic<bool> failCreateString_{false};
  std::atomic<std::uint32_t> createStringCalls_{0};
  mutable std::mutex textsMutex_;  // guards requestedTexts_
  std::vector<std::string> requestedTexts_;
};

// Makes empty HostCollections. Answers "com.velkora.general.kel.ICollectionFactory/1.0",
// then IObject and IObjectBase. Thread-safe.
class HostCollectionFactory final
    : public HostObject<HostCollectionFactory, ICollectionFactory, ObjectKind::CollectionFactory> {
 public:
  [[nodiscard]] static ObjectPtr<HostCollectionFactory> Create();

  // In this order: failing, returns the failure code and writes nothing; -4 for a null
  // `collection`; told to succeed with null, writes null; otherwise writes a new empty
  // HostCollection with one reference for the caller. Success returns the success code.
  ResultCode CreateCollection(ICollection** collection) override;

  // A negative `code` makes every later CreateCollection return it; 0 or more ends failing.
  void FailCreateCollection(ResultCode code) noexcept { failureCode_.store(code); }
  // Makes every later successful CreateCollection write null (true) or a collection.
  void SucceedWithNull(bool withNull) noexcept { succeedWithNull_.store(withNull); }
  // What a successful CreateCollection returns: 0 unless set (to 0 or more).
  void SetSuccessCode(ResultCode code) noexcept { successCode_.store(code); }

  std::uint32_t CreateCollectionCalls() const noexcept { return createCollectionCalls_.load(); }

 private:
  friend class kel::ObjectLifetime;

  HostCollectionFactory() = default;
  ~HostCollectionFactory() = default;

  std::atomic<ResultCode> failureCode_{result::kOk};
  std::atomic<bool> succeedWithNull_{false};
  std::atomic<ResultCode> successCode_{result::kOk};
  std::atomic<std::uint32_t> createCollectionCalls_{0};
};

}  // namespace kel::host
