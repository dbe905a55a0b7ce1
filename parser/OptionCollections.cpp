#include "OptionCollections.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

std::string_view NameOf(const OptionEntry& entry) noexcept {
  return entry.first;
}
std::string_view TextOf(std::string_view argument) noexcept {
  return argument;
}

// Mixes every byte of `text`, eight at a time.
std::size_t HashOf(std::string_view text) noexcept {
  constexpr std::uint64_t kMultiplier = 0xFF51AFD7ED558CCDu;
  std::uint64_t hash = 0x9E3779B97F4A7C15u ^ text.size();
  const char* next = text.data();
  std::size_t left = text.size();
  for (; left >= 8; left -= 8, next += 8) {
    std::uint64_t word;
    std::memcpy(&word, next, sizeof word);
    hash = (hash ^ word) * kMultiplier;
    hash ^= hash >> 32;
  }
  std::uint64_t tail = 0;
  for (; left > 0; --left) tail = (tail << 8) | static_cast<unsigned char>(*next++);
  hash = (hash ^ tail) * kMultiplier;
  return static_cast<std::size_t>(hash ^ (hash >> 29));
}

// Keeps the first of each run of items with an equal key, in their order, and hands every
// later one to `merge` together with the one kept. One hash table for all the items, so
// the work is expected linear.
template <class Item, class KeyOf, class Merge>
void KeepFirstOfEachKey(std::vector<Item>& items, KeyOf keyOf, Merge merge) {
  constexpr std::uint32_t kFree = UINT32_MAX;
  const std::size_t mask = std::bit_ceil(2 * items.size()) - 1;
  std::vector<std::uint32_t> slots(mask + 1, kFree);
  std::uint32_t kept = 0;
  for (const Item& item : items) {
    const std::string_view key = keyOf(item);
    for (std::size_t slot = HashOf(key) & mask;; slot = (slot + 1) & mask) {
      if (slots[slot] == kFree) {
        slots[slot] = kept;
        items[kept++] = item;
        break;
      }
      if (keyOf(items[slots[slot]]) == key) {
        merge(items[slots[slot]], item);
        break;
      }
    }
  }
  items.resize(kept);
}

// Puts distinct keys in byte order. Items already in order (a stored copy of sealed
// collections) are only checked.
template <class Item, class KeyOf>
void SortByKey(std::vector<Item>& items, KeyOf keyOf) {
  const auto less = [keyOf](const Item& a, const Item& b) { return keyOf(a) < keyOf(b); };
  if (!std::is_sorted(items.begin(), items.end(), less)) {
    std::sort(items.begin(), items.end(), less);
  }
}

// Whether the keys already strictly increase: no duplicate is left to find.
template <class Item, class KeyOf>
bool StrictlyIncreasing(const std::vector<Item>& items, KeyOf keyOf) {
  return std::adjacent_find(items.begin(), items.end(), [keyOf](const Item& a, const Item& b) {
           return !(keyOf(a) < keyOf(b));
         }) == items.end();
}

}  // namespace

OptionMap::OptionMap(std::initializer_list<OptionEntry> entries) : entries_(entries) {
  Seal();
}

OptionMap::const_iterator OptionMap::find(std::string_view name) const noexcept {
  const auto found = std::lower_bound(
      entries_.begin(), entries_.end(), name,
      [](const OptionEntry& entry, std::string_view key) { return entry.first < key; });
  return found != entries_.end() && found->first == name ? found : entries_.end();
}

// The first entry of a name keeps its place in the table and takes each later value, so the
// latest value wins.
void OptionMap::Seal() {
  if (StrictlyIncreasing(entries_, NameOf)) return;
  KeepFirstOfEachKey(entries_, NameOf, [](OptionEntry& kept, const OptionEntry& later) {
    kept.second = later.second;
  });
  SortByKey(entries_, NameOf);
}

FreeArgumentSet::FreeArgumentSet(std::initializer_list<std::string_view> arguments)
    : arguments_(arguments) {
  Seal();
}

void FreeArgumentSet::Seal() {
  if (StrictlyIncreasing(arguments_, TextOf)) return;
  KeepFirstOfEachKey(arguments_, TextOf, [](std::string_view&, std::string_view) {});
  SortByKey(arguments_, TextOf);
}
