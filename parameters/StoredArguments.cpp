#include "StoredArguments.h"

#include <cstring>
#include <memory>
#include <string_view>

namespace {

std::size_t ViewBytes(const FreeArgumentSet& freeArguments, const OptionMap& options) noexcept {
  return options.size() * sizeof(OptionEntry) + freeArguments.size() * sizeof(std::string_view);
}

// Copies `text` to `to`. Short texts, the most, are copied in line by two overlapping
// fixed-size moves, where a call to memcpy costs more than the copy.
void CopyText(std::string_view text, char* to) noexcept {
  const char* const from = text.data();
  const std::size_t size = text.size();
  if (size >= 8 && size <= 16) {
    std::memcpy(to, from, 8);
    std::memcpy(to + size - 8, from + size - 8, 8);
  } else if (size >= 4 && size < 8) {
    std::memcpy(to, from, 4);
    std::memcpy(to + size - 4, from + size - 4, 4);
  } else if (size < 4) {
    for (std::size_t i = 0; i < size; ++i) to[i] = from[i];
  } else {
    std::memcpy(to, from, size);
  }
}

}  // namespace

std::size_t StoredArguments::BlockBytes(const FreeArgumentSet& freeArguments,
                                        const OptionMap& options) noexcept {
  std::size_t bytes = ViewBytes(freeArguments, options);
  for (const std::string_view argument : freeArguments) bytes += argument.size() + 1;
  for (const auto& [name, value] : options) bytes += name.size() + value.size() + 2;
  return bytes;
}

// The block holds the option entries, then the free arguments' views, then the text.
StoredArguments::StoredArguments(const FreeArgumentSet& freeArguments, const OptionMap& options,
                                 std::byte* block) noexcept {
  auto* const optionCopies = reinterpret_cast<OptionEntry*>(block);
  auto* const freeCopies = reinterpret_cast<std::string_view*>(optionCopies + options.size());
  auto* next = reinterpret_cast<char*>(block + ViewBytes(freeArguments, options));

  const auto keep = [&next](std::string_view text) {
    const std::string_view kept(next, text.size());
    CopyText(text, next);
    next += text.size();
    *next++ = '\0';
    return kept;
  };
  // Both sources are sealed and so are the copies, in the same order.
  for (std::size_t i = 0; const std::string_view argument : freeArguments) {
    std::construct_at(freeCopies + i++, keep(argument));
  }
  for (std::size_t i = 0; const auto& [name, value] : options) {
    const std::string_view keptName = keep(name);
    std::construct_at(optionCopies + i++, keptName, keep(value));
  }
  freeArguments_ =
      FreeArgumentSet(std::span<const std::string_view>(freeCopies, freeArguments.size()));
  options_ = OptionMap(std::span<const OptionEntry>(optionCopies, options.size()));
}
