// The two collections a parse produces, the options by name and the set of free arguments,
// stored flat: sorted arrays of views. While a parse runs they view the argument vector; a
// parse result keeps its own copy, viewing one buffer of its own (StoredArguments).
//
// Order is byte-wise: std::string_view compares through std::char_traits<char>::compare,
// which compares as unsigned bytes (as memcmp does), so bytes 0x80 and above sort after
// ASCII and a string sorts before every longer string it begins.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>
#include <utility>

// An option: its name, then its value ("" when given without one).
using OptionEntry = std::pair<std::string_view, std::string_view>;

// Option name to value; each name once, in byte order. Views an array kept elsewhere (a
// split of the command line, a parse result's stored copy) or, made from a list, its own.
class OptionMap {
 public:
  using value_type = OptionEntry;
  using const_iterator = const OptionEntry*;

  OptionMap() = default;
  // The entries in the order given; a later entry replaces an earlier one of the same name.
  OptionMap(std::initializer_list<OptionEntry> entries);
  // Views `sealed`, whose names strictly increase; it must outlive this map.
  explicit OptionMap(std::span<const OptionEntry> sealed) noexcept : entries_(sealed) {}
  OptionMap(OptionMap&& other) noexcept
      : owned_(std::move(other.owned_)), entries_(std::exchange(other.entries_, {})) {}
  OptionMap& operator=(OptionMap&& other) noexcept {
    owned_ = std::move(other.owned_);
    entries_ = std::exchange(other.entries_, {});
    return *this;
  }

  const_iterator begin() const noexcept { return entries_.data(); }
  const_iterator end() const noexcept { return entries_.data() + entries_.size(); }
  std::size_t size() const noexcept { return entries_.size(); }
  bool empty() const noexcept { return entries_.empty(); }
  // The option named exactly `name`, or end(). A binary search; allocates nothing.
  const_iterator find(std::string_view name) const noexcept;
  bool contains(std::string_view name) const noexcept { return find(name) != end(); }
  // The same names with the same values, wherever their bytes are kept.
  friend bool operator==(const OptionMap& a, const OptionMap& b) noexcept;

 private:
  std::unique_ptr<OptionEntry[]> owned_;  // the entries of a map made from a list; else empty
  std::span<const OptionEntry> entries_;
};

// Free arguments without duplicates, in byte order; their order on the command line is lost.
// Views an array kept elsewhere or, made from a list, its own.
class FreeArgumentSet {
 public:
  using value_type = std::string_view;
  using const_iterator = const std::string_view*;

  FreeArgumentSet() = default;
  FreeArgumentSet(std::initializer_list<std::string_view> arguments);
  // Views `sealed`, which strictly increases; it must outlive this set.
  explicit FreeArgumentSet(std::span<const std::string_view> sealed) noexcept
      : arguments_(sealed) {}
  FreeArgumentSet(FreeArgumentSet&& other) noexcept
      : owned_(std::move(other.owned_)), arguments_(std::exchange(other.arguments_, {})) {}
  FreeArgumentSet& operator=(FreeArgumentSet&& other) noexcept {
    owned_ = std::move(other.owned_);
    arguments_ = std::exchange(other.arguments_, {});
    return *this;
  }

  const_iterator begin() const noexcept { return arguments_.data(); }
  const_iterator end() const noexcept { return arguments_.data() + arguments_.size(); }
  std::size_t size() const noexcept { return arguments_.size(); }
  bool empty() const noexcept { return arguments_.empty(); }
  friend bool operator==(const FreeArgumentSet& a, const FreeArgumentSet& b) noexcept;

 private:
  std::unique_ptr<std::string_view[]> owned_;  // as for OptionMap
  std::span<const std::string_view> arguments_;
};

// Sealing: the entries of `options`, in command-line order, become the distinct names in
// byte order, each with its latest value; returns how many are kept at the front. `slots`
// is scratch of at least SealingSlots(options.size()) entries, aligned for a pointer.
std::size_t SealOptions(std::span<OptionEntry> options, std::span<std::uint32_t> slots) noexcept;
// The same for free arguments: the distinct texts in byte order, at the front of
// `arguments` or, for many, in `slots`, which must then live as long as they are used.
std::span<const std::string_view> SealFreeArguments(std::span<std::string_view> arguments,
                                                    std::span<std::uint32_t> slots) noexcept;
// Up to this many items, sealing inserts each in order among those kept, which finds its
// repeat on the way: cheaper than clearing and probing a table, then sorting, for the few
// arguments of a real command line.
inline constexpr std::size_t kSealingInsertionLimit = 16;

// The scratch SealOptions and SealFreeArguments need for `count` items: the hash table
// that finds the repeats, then the sort keys.
constexpr std::size_t SealingSlots(std::size_t count) noexcept {
  return count <= kSealingInsertionLimit ? 0 : std::max(std::bit_ceil(2 * count), 4 * count);
}
