#include "kel/host/HostCollection.h"

namespace kel::host {

ObjectPtr<HostCollection> HostCollection::Create() {
  return ObjectLifetime::Create<HostCollection>();
}

std::uint32_t HostCollection::GetCount() {
  CountCall(Operation::Own);
  ++getCountCalls_;
  std::lock_guard<std::mutex> lock(itemsMutex_);
  return static_cast<std::uint32_t>(items_.size());
}

ResultCode HostCollection::GetItem(std::uint32_t index, IString** item) {
  CountCall(Operation::Own);
  ++getItemCalls_;
  if (item == nullptr) return result::kNullObjectOut;
  std::lock_guard<std::mutex> lock(itemsMutex_);
  if (index >= items_.size()) return result::kNotFound;
  items_[index].CopyTo(item);
  return result::kOk;
}

ResultCode HostCollection::Add(IString* item) {
  CountCall(Operation::Own);
  ++addCalls_;
  std::lock_guard<std::mutex> lock(itemsMutex_);
  items_.emplace_back(item);
  return result::kOk;
}

std::vector<IString*> HostCollection::Items() const {
  std::lock_guard<std::mutex> lock(itemsMutex_);
  std::vector<IString*> items;
  items.reserve(items_.size());
  for (const ObjectPtr<IString>& item : items_) items.push_back(item.Get());
  return items;
}

std::vector<std::optional<std::string>> HostCollection::Texts() const {
  std::vector<std::optional<std::string>> texts;
  for (IString* item : Items()) {
    if (item == nullptr) {
      texts.emplace_back();
      continue;
    }
    texts.emplace_back(std::string(item->GetText(), item->GetLength()));
  }
  return texts;
}

}  // namespace kel::host
