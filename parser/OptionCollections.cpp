#include "OptionCollections.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t kFreeSlot = UINT32_MAX;

struct NameOf {
  std::string_view operator()(const OptionEntry& entry) const noexcept { return entry.first; }
};
struct TextOf {
  std::string_view operator()(std::string_view argument) const noexcept { return argument; }
};

[[gnu::always_inline]] inline std::uint64_t Load8(const char* bytes) noexcept {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// Byte order, as std::string_view's operator< orders, compared in line eight bytes at a
// time: the keys are short and differ early, where a call to memcmp costs more than the work.
[[gnu::always_inline]] inline bool ByteLess(std::string_view a, std::string_view b) noexcept {
  const std::size_t common = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i + 8 <= common; i += 8) {
    const std::uint64_t x = Load8(a.data() + i);
    const std::uint64_t y = Load8(b.data() + i);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) {
        return __builtin_bswap64(x) < __builtin_bswap64(y);
      } else {
        return x < y;
      }
    }
  }
  for (; i < common; ++i) {
    if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
  }
  return a.size() < b.size();
}

// Negative, zero or positive as `a` comes before, equals or comes after `b` in byte order.
[[gnu::always_inline]] inline int ByteCompare(std::string_view a, std::string_view b) noexcept {
  // Names and free arguments are never empty, and most differ in their first byte.
  if (!a.empty() && !b.empty() && a[0] != b[0]) {
    return static_cast<unsigned char>(a[0]) - static_cast<unsigned char>(b[0]);
  }
  const std::size_t common = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i + 8 <= common; i += 8) {
    std::uint64_t x = Load8(a.data() + i);
    std::uint64_t y = Load8(b.data() + i);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) {
        x = __builtin_bswap64(x);
        y = __builtin_bswap64(y);
      }
      return x < y ? -1 : 1;
    }
  }
  for (; i < common; ++i) {
    if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

[[gnu::always_inline]] inline bool ByteEqual(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  std::size_t i = 0;
  for (; i + 8 <= a.size(); i += 8) {
    if (Load8(a.data() + i) != Load8(b.data() + i)) return false;
  }
  for (; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// Mixes every byte of `text`, eight at a time.
std::size_t HashOf(std::string_view text) noexcept {
  constexpr std::uint64_t kMultiplier = 0xFF51AFD7ED558CCDu;
  std::uint64_t hash = 0x9E3779B97F4A7C15u ^ text.size();
  const char* next = text.data();
  std::size_t left = text.size();
  for (; left >= 8; left -= 8, next += 8) {
    hash = (hash ^ Load8(next)) * kMultiplier;
    hash ^= hash >> 32;
  }
  std::uint64_t tail = 0;
  for (; left > 0; --left) tail = (tail << 8) | static_cast<unsigned char>(*next++);
  hash = (hash ^ tail) * kMultiplier;
  return static_cast<std::size_t>(hash ^ (hash >> 29));
}

std::size_t TableSize(std::size_t count) noexcept {
  return std::bit_ceil(2 * count);
}

// For a few items: each is inserted in order among those kept, or handed to `merge` with
// the kept one of the same key; returns how many are kept at the front, in key order.
template <class Item, class KeyOf, class Merge>
std::size_t InsertDistinctInOrder(std::span<Item> items, KeyOf keyOf, Merge merge) noexcept {
  std::size_t kept = 0;
  for (const Item& item : items) {
    const Item next = item;
    const std::string_view key = keyOf(next);
    // Index `kept` is free: it holds `next` itself or an item already merged. Greater keys
    // move up as they are passed; meeting an equal key moves them back.
    std::size_t position = kept;
    int order = 1;
    while (position > 0 && (order = ByteCompare(keyOf(items[position - 1]), key)) > 0) {
      items[position] = items[position - 1];
      --position;
    }
    if (position > 0 && order == 0) {
      merge(items[position - 1], next);
      for (; position < kept; ++position) items[position] = items[position + 1];
      continue;
    }
    items[position] = next;
    ++kept;
  }
  return kept;
}

// Keeps the first of each run of items with an equal key, in their order, and hands every
// later one to `merge` together with the one kept; returns how many are kept at the front.
// One hash table in `slots` for all the items, so the work is expected linear.
template <class Item, class KeyOf, class Merge>
std::size_t KeepFirstOfEachKey(std::span<Item> items, std::span<std::uint32_t> slots, KeyOf keyOf,
                               Merge merge) noexcept {
  std::size_t kept = 0;
  const std::size_t mask = TableSize(items.size()) - 1;
  std::fill_n(slots.begin(), mask + 1, kFreeSlot);
  for (const Item& item : items) {
    const std::string_view key = keyOf(item);
    for (std::size_t slot = HashOf(key) & mask;; slot = (slot + 1) & mask) {
      if (slots[slot] == kFreeSlot) {
        slots[slot] = static_cast<std::uint32_t>(kept);
        items[kept++] = item;
        break;
      }
      if (ByteEqual(keyOf(items[slots[slot]]), key)) {
        merge(items[slots[slot]], item);
        break;
      }
    }
  }
  return kept;
}

// Puts distinct keys in byte order. A run already in order is only checked.
template <class Item, class KeyOf>
void SortByKey(std::span<Item> items, KeyOf keyOf) noexcept {
  const auto less = [keyOf](const Item& a, const Item& b) { return ByteLess(keyOf(a), keyOf(b)); };
  if (!std::is_sorted(items.begin(), items.end(), less)) {
    std::sort(items.begin(), items.end(), less);
  }
}

// The first eight bytes of `text` as one number, the first byte highest, zero past the end:
// where two prefixes differ they order as the texts do (past the end of the shorter text,
// the longer one is either zero there too or sorts after it).
std::uint64_t PrefixOf(std::string_view text) noexcept {
  if (text.size() >= 8) {
    const std::uint64_t word = Load8(text.data());
    if constexpr (std::endian::native == std::endian::little) return __builtin_bswap64(word);
    return word;
  }
  std::uint64_t prefix = 0;
  for (const char c : text) prefix = (prefix << 8) | static_cast<unsigned char>(c);
  return prefix << (8 * (8 - text.size()));
}

struct SortRecord {
  std::uint64_t prefix;
  std::uint64_t index;  // into the texts being sorted
};
static_assert(sizeof(SortRecord) == sizeof(std::string_view) &&
              sizeof(SortRecord) == 4 * sizeof(std::uint32_t));

// Many texts in byte order, written as views over `scratch` (four slots per text): each is
// sorted as its prefix and its index, so most comparisons are of two numbers, and only
// texts with the same first eight bytes are compared byte by byte.
std::span<const std::string_view> SortByPrefix(std::span<const std::string_view> texts,
                                               std::span<std::uint32_t> scratch) noexcept {
  auto* const records = reinterpret_cast<SortRecord*>(scratch.data());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::construct_at(records + i, SortRecord{PrefixOf(texts[i]), i});
  }
  std::sort(records, records + texts.size(), [texts](const SortRecord& a, const SortRecord& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return ByteLess(texts[a.index], texts[b.index]);
  });
  // Each view takes the place of its record, once the record is read.
  auto* const views = reinterpret_cast<std::string_view*>(scratch.data());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::size_t index = records[i].index;
    std::construct_at(views + i, texts[index]);
  }
  return {views, texts.size()};
}

template <class Item, class KeyOf>
bool StrictlyIncreasing(std::span<const Item> items, KeyOf keyOf) noexcept {
  return std::adjacent_find(items.begin(), items.end(), [keyOf](const Item& a, const Item& b) {
           return !ByteLess(keyOf(a), keyOf(b));
         }) == items.end();
}

}  // namespace

// The first entry of a name keeps its place and takes each later value, so the latest value
// wins.
std::size_t SealOptions(std::span<OptionEntry> options, std::span<std::uint32_t> slots) noexcept {
  const auto takeLater = [](OptionEntry& first, const OptionEntry& later) {
    first.second = later.second;
  };
  if (options.size() <= kSealingInsertionLimit) {
    return InsertDistinctInOrder(options, NameOf{}, takeLater);
  }
  if (StrictlyIncreasing<OptionEntry>(options, NameOf{})) return options.size();
  const std::size_t kept = KeepFirstOfEachKey(options, slots, NameOf{}, takeLater);
  SortByKey(options.first(kept), NameOf{});
  return kept;
}

std::span<const std::string_view> SealFreeArguments(std::span<std::string_view> arguments,
                                                    std::span<std::uint32_t> slots) noexcept {
  const auto ignore = [](std::string_view, std::string_view) {};
  if (arguments.size() <= kSealingInsertionLimit) {
    return arguments.first(InsertDistinctInOrder(arguments, TextOf{}, ignore));
  }
  if (StrictlyIncreasing<std::string_view>(arguments, TextOf{})) return arguments;
  const std::size_t kept = KeepFirstOfEachKey(arguments, slots, TextOf{}, ignore);
  return SortByPrefix(arguments.first(kept), slots);
}

OptionMap::OptionMap(std::initializer_list<OptionEntry> entries)
    : owned_(std::make_unique<OptionEntry[]>(entries.size())) {
  std::copy(entries.begin(), entries.end(), owned_.get());
  std::vector<std::uint32_t> slots(SealingSlots(entries.size()));
  entries_ = std::span(owned_.get(), SealOptions(std::span(owned_.get(), entries.size()), slots));
}

OptionMap::const_iterator OptionMap::find(std::string_view name) const noexcept {
  const auto found = std::lower_bound(
      begin(), end(), name,
      [](const OptionEntry& entry, std::string_view key) { return entry.first < key; });
  return found != end() && found->first == name ? found : end();
}

bool operator==(const OptionMap& a, const OptionMap& b) noexcept {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

FreeArgumentSet::FreeArgumentSet(std::initializer_list<std::string_view> arguments)
    : owned_(std::make_unique<std::string_view[]>(arguments.size())) {
  std::copy(arguments.begin(), arguments.end(), owned_.get());
  std::vector<std::uint32_t> slots(SealingSlots(arguments.size()));
  const std::span<const std::string_view> sealed =
      SealFreeArguments(std::span(owned_.get(), arguments.size()), slots);
  if (sealed.data() != owned_.get()) std::copy(sealed.begin(), sealed.end(), owned_.get());
  arguments_ = std::span(owned_.get(), sealed.size());
}

bool operator==(const FreeArgumentSet& a, const FreeArgumentSet& b) noexcept {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}
