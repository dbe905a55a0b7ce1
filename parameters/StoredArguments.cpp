#include "StoredArguments.h"

#include <algorithm>
#include <memory>
#include <string_view>

// The block holds the option entries, then the free arguments' views, then the text.
StoredArguments::StoredArguments(const FreeArgumentSet& freeArguments, const OptionMap& options) {
  std::size_t textBytes = 0;
  for (const std::string_view argument : freeArguments) textBytes += argument.size() + 1;
  for (const auto& [name, value] : options) textBytes += name.size() + value.size() + 2;
  const std::size_t viewBytes =
      options.size() * sizeof(OptionEntry) + freeArguments.size() * sizeof(std::string_view);
  storage_ = std::make_unique_for_overwrite<std::byte[]>(viewBytes + textBytes);
  auto* const optionCopies = reinterpret_cast<OptionEntry*>(storage_.get());
  auto* const freeCopies = reinterpret_cast<std::string_view*>(optionCopies + options.size());
  auto* next = reinterpret_cast<char*>(storage_.get() + viewBytes);

  const auto keep = [&next](std::string_view text) {
    const std::string_view kept(next, text.size());
    next = std::copy(text.begin(), text.end(), next);
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
