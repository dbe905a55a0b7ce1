// The host's collections of strings.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "kel/HostServices.h"
#include "kel/ObjectPtr.h"
#include "kel/host/HostObject.h"

namespace kel::host {

// Strings in the order they were added, null items included; holds one reference of its
// own on every item until it is destroyed. Answers IObject and IObjectBase only.
// Thread-safe.
class HostCollection final
    : public HostObject<HostCollection, ICollection, ObjectKind::Collection> {
 public:
  [[nodiscard]] static ObjectPtr<HostCollection> Create();

  std::uint32_t GetCount() override;
  // Writes the item at `index` with one reference (a null item as null) and returns 0; -1
  // past the end and -4 for a null `item`, both leaving *item untouched.
  ResultCode GetItem(std::uint32_t index, IString** item) override;
  // Appends `item`, possibly null, with a reference of the collection's own; returns 0.
  ResultCode Add(IString* item) override;

  std::uint32_t GetCountCalls() const noexcept { return getCountCalls_.load(); }
  std::uint32_t GetItemCalls() const noexcept { return getItemCalls_.load(); }
  std::uint32_t AddCalls() const noexcept { return addCalls_.load(); }

  // The items, not owned: valid while the collection lives. Reads count no call.
  std::vector<IString*> Items() const;
  // The items' texts, read through GetText (which the items count); empty for null items.
  std::vector<std::optional<std::string>> Texts() const;

 private:
  friend class kel::ObjectLifetime;

  HostCollection() = default;
  ~HostCollection() = default;

  std::atomic<std::uint32_t> getCountCalls_{0};
  std::atomic<std::uint32_t> getItemCalls_{0};
  std::atomic<std::uint32_t> addCalls_{0};
  mutable std::mutex itemsMutex_;  // guards items_
  std::vector<ObjectPtr<IString>> items_;
};

}  // namespace kel::host
