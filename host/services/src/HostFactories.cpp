#include "kel/host/HostFactories.h"

#include "kel/host/HostCollection.h"
#include "kel/host/HostString.h"

namespace kel::host {

ObjectPtr<HostStringFactory> HostStringFactory::Create() {
  return ObjectLifetime::Create<HostStringFactory>();
}

ResultCode HostStringFactory::CreateString(const char* text, IString** string) {
  CountCall(Operation::Own);
  ++createStringCalls_;
  if (text != nullptr) {
    std::lock_guard<std::mutex> lock(textsMutex_);
    requestedTexts_.emplace_back(text);
  }
  if (failCreateString_.load()) return kInjectedFailure;
  if (string == nullptr) return result::kNullObjectOut;
  if (text == nullptr) return result::kNothingToActOn;
  *string = HostString::Create(text).Detach();
  return result::kOk;
}

std::vector<std::string> HostStringFactory::RequestedTexts() const {
  std::lock_guard<std::mutex> lock(textsMutex_);
  return requestedTexts_;
}

ObjectPtr<HostCollectionFactory> HostCollectionFactory::Create() {
  return ObjectLifetime::Create<HostCollectionFactory>();
}

ResultCode HostCollectionFactory::CreateCollection(ICollection** collection) {
  CountCall(Operation::Own);
  ++createCollectionCalls_;
  const ResultCode failure = failureCode_.load();
  if (failure < 0) return failure;
  if (collection == nullptr) return result::kNullObjectOut;
  if (succeedWithNull_.load()) {
    *collection = nullptr;
  } else {
    *collection = HostCollection::Create().Detach();
  }
  return successCode_.load();
}

}  // namespace kel::host
