// The command-line grammar: how each argument becomes an option, a free argument or nothing.
//
// Arguments 1 to argc - 1 are read; argv[0] never is. Each is trimmed of spaces (byte 0x20
// only, at both ends; tabs and other bytes stay) and then takes the first row that fits. A
// LETTER is a byte for which std::isalpha holds in the current locale (A-Z and a-z in the
// locale a process starts with). NAME begins with a letter and holds no '=', so every '='
// shown below is the first '=' of the argument.
//
//   row  trimmed argument                        effect
//    1   empty                                   dropped
//    2   first byte not '-'                      free argument, the whole text
//    3   "--" alone                              dropped
//    4   "--", then no letter                    dropped
//    5   "--" NAME                               option NAME, value ""
//    6   "--" NAME "="                           dropped
//    7   "--" NAME "=" VALUE, VALUE not empty    option NAME, value VALUE (may hold '=')
//    8   "-" alone                               dropped
//    9   "-", then neither '-' nor a letter      dropped
//   10   "-" LETTER REST, no '=' anywhere        option LETTER, value REST (may be "")
//   11   "-" LETTER "=" VALUE, VALUE not empty   option LETTER, value VALUE
//   12   "-" LETTER, any other '='               dropped ("-a=", "-ab=c")
//
// A short option's name is its one letter; a long option's name is never empty. Long and
// short options share one name space, and a later option replaces an earlier one, also with
// an empty value. Free arguments form a set: duplicates collapse and their order is lost.
// "--" is dropped like any other malformed argument and does not end option processing.
// Nothing is ever reported: dropped arguments leave no trace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "OptionCollections.h"

// The rows of the grammar above, in order.
enum class ArgumentShape {
  kEmpty,
  kFreeArgument,
  kDoubleDashAlone,
  kLongWithoutLetter,
  kLongOption,
  kLongWithTrailingEquals,
  kLongOptionWithValue,
  kDashAlone,
  kShortWithoutLetter,
  kShortOption,
  kShortOptionWithEquals,
  kShortWithMisplacedEquals,
};

// What one trimmed argument is. The views point into the argument that was classified and
// live as long as it does.
struct ArgumentClassification {
  ArgumentShape shape;
  int row;                 // 1 to 12, the grammar row of `shape`
  std::string_view text;   // the whole trimmed argument; for a free argument, what is stored
  std::string_view name;   // option name; empty unless IsOption()
  std::string_view value;  // option value; empty unless IsOption(), and may be empty then

  bool IsOption() const noexcept;
  bool IsFreeArgument() const noexcept;
};

// `argument` without the spaces (byte 0x20) at its beginning and end.
std::string_view TrimSpaces(std::string_view argument) noexcept;

// Classifies an argument that TrimSpaces has already trimmed.
ArgumentClassification ClassifyArgument(std::string_view trimmed) noexcept;

// The options and free arguments of argv[1] to argv[argc - 1]: each argument trimmed and
// classified in order, every option and free argument recorded, then each collection
// sealed. With argc of 1 or less argv is not read at all. Entries 1 to argc - 1 must be
// valid NUL-terminated strings; the collections view them, so they must outlive this
// object. Writes no output and catches nothing: std::bad_alloc from its one allocation
// leaves the constructor.
class CommandLineSplit {
 public:
  CommandLineSplit(std::int32_t argc, const char* const* argv);

  CommandLineSplit(const CommandLineSplit&) = delete;
  CommandLineSplit& operator=(const CommandLineSplit&) = delete;

  const OptionMap& Options() const noexcept { return options_; }
  const FreeArgumentSet& FreeArguments() const noexcept { return freeArguments_; }

 private:
  // Words left uninitialised, from std::allocator (so through operator new, like any
  // container's) and given back by the destructor.
  class Storage {
   public:
    explicit Storage(std::size_t words);
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;
    std::byte* Data() const noexcept { return reinterpret_cast<std::byte*>(words_); }

   private:
    std::size_t count_;
    std::uint64_t* words_;  // owned; null when count_ is 0
  };

  // The words for the views of both collections and the scratch their sealing needs.
  static std::size_t StorageWords(std::int32_t argc) noexcept;

  // The views of both collections and that scratch, in one block.
  Storage storage_;
  OptionMap options_;
  FreeArgumentSet freeArguments_;
};
