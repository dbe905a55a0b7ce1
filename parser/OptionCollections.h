// The two collections a parse produces, the options by name and the set of free arguments,
// stored flat: sorted arrays of views. While a parse runs they view the argument vector; a
// parse result keeps its own copy, viewing one buffer of its own (StoredArguments).
//
// Order is byte-wise: std::string_view compares through std::char_traits<char>::compare,
// which compares as unsigned bytes (as memcmp does), so bytes 0x80 and above sort after
// ASCII and a string sorts before every longer string it begins.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

// An option: its name, then its value ("" when given without one).
using OptionEntry = std::pair<std::string_view, std::string_view>;

// Option name to value; each name once, in byte order.
class OptionMap {
 public:
  using value_type = OptionEntry;
  using const_iterator = std::vector<OptionEntry>::const_iterator;

  OptionMap() = default;
  // The entries in the order given; a later entry replaces an earlier one of the same name.
  OptionMap(std::initializer_list<OptionEntry> entries);

  const_iterator begin() const noexcept { return entries_.begin(); }
  const_iterator end() const noexcept { return entries_.end(); }
  std::size_t size() const noexcept { return entries_.size(); }
  bool empty() const noexcept { return entries_.empty(); }
  // The option named exactly `name`, or end(). A binary search; allocates nothing.
  const_iterator find(std::string_view name) const noexcept;
  bool contains(std::string_view name) const noexcept { return find(name) != end(); }
  // The same names with the same values, wherever their bytes are kept.
  friend bool operator==(const OptionMap&, const OptionMap&) = default;

  // Building: Clear, Reserve, Set in command-line order, then Seal, which sorts by name and
  // keeps the latest value of each name. Between Set and Seal only Set may be called.
  void Clear() noexcept { entries_.clear(); }
  void Reserve(std::size_t count) { entries_.reserve(count); }
  void Set(std::string_view name, std::string_view value) { entries_.emplace_back(name, value); }
  void Seal();

 private:
  std::vector<OptionEntry> entries_;
};

// Free arguments without duplicates, in byte order; their order on the command line is lost.
class FreeArgumentSet {
 public:
  using value_type = std::string_view;
  using const_iterator = std::vector<std::string_view>::const_iterator;

  FreeArgumentSet() = default;
  FreeArgumentSet(std::initializer_list<std::string_view> arguments);

  const_iterator begin() const noexcept { return arguments_.begin(); }
  const_iterator end() const noexcept { return arguments_.end(); }
  std::size_t size() const noexcept { return arguments_.size(); }
  bool empty() const noexcept { return arguments_.empty(); }
  friend bool operator==(const FreeArgumentSet&, const FreeArgumentSet&) = default;

  // Building, as for OptionMap: Seal sorts and drops duplicates.
  void Clear() noexcept { arguments_.clear(); }
  void Reserve(std::size_t count) { arguments_.reserve(count); }
  void Insert(std::string_view argument) { arguments_.push_back(argument); }
  void Seal();

 private:
  std::vector<std::string_view> arguments_;
};
