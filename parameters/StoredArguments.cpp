#include "StoredArguments.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

StoredArguments::StoredArguments(const FreeArgumentSet& freeArguments, const OptionMap& options) {
  std::size_t bytes = 0;
  for (const std::string_view argument : freeArguments) bytes += argument.size() + 1;
  for (const auto& [name, value] : options) bytes += name.size() + value.size() + 2;
  text_ = std::make_unique_for_overwrite<char[]>(bytes);

  char* next = text_.get();
  const auto keep = [&next](std::string_view text) {
    char* const copy = std::copy(text.begin(), text.end(), next);
    *copy = '\0';
    const std::string_view kept(next, text.size());
    next = copy + 1;
    return kept;
  };
  // Both sources are sealed, so sealing the copies only checks their order.
  freeArguments_.Reserve(freeArguments.size());
  for (const std::string_view argument : freeArguments) freeArguments_.Insert(keep(argument));
  freeArguments_.Seal();
  options_.Reserve(options.size());
  for (const auto& [name, value] : options) options_.Set(keep(name), keep(value));
  options_.Seal();
}
