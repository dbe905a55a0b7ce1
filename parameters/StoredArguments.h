// A parse result's own copy of the options and free arguments it was made from.
#pragma once

#include <cstddef>

#include "OptionCollections.h"

// Every name, value and free argument copied once, each followed by a NUL so that it can be
// handed out as a C string, and viewed in the order of the collections it came from: the
// arrays of views and the text in one block that the parse result owns (it comes in the
// result's own allocation). Never changed after construction.
class StoredArguments {
 public:
  // The bytes of the block that holds copies of both.
  static std::size_t BlockBytes(const FreeArgumentSet& freeArguments,
                                const OptionMap& options) noexcept;

  // Copies both into `block`, of BlockBytes(freeArguments, options) bytes aligned for a
  // pointer, which must outlive this object; the views of the sources may go once this
  // returns.
  StoredArguments(const FreeArgumentSet& freeArguments, const OptionMap& options,
                  std::byte* block) noexcept;

  const FreeArgumentSet& FreeArguments() const noexcept { return freeArguments_; }
  const OptionMap& Options() const noexcept { return options_; }

 private:
  FreeArgumentSet freeArguments_;
  OptionMap options_;
};
