// A parse result's own copy of the options and free arguments it was made from.
#pragma once

#include <cstddef>
#include <memory>

#include "OptionCollections.h"

// Every name, value and free argument copied once, each followed by a NUL so that it can be
// handed out as a C string, and viewed in the order of the collections it came from: the
// arrays of views and the text in one block owned here. Never changed after construction.
class StoredArguments {
 public:
  StoredArguments() = default;
  // Copies both; the views of the source collections may go once this returns.
  StoredArguments(const FreeArgumentSet& freeArguments, const OptionMap& options);

  const FreeArgumentSet& FreeArguments() const noexcept { return freeArguments_; }
  const OptionMap& Options() const noexcept { return options_; }

 private:
  std::unique_ptr<std::byte[]> storage_;
  FreeArgumentSet freeArguments_;
  OptionMap options_;
};
