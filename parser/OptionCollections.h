// The two collections a parse produces: options by name and the set of free arguments.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>

// Both collections order byte strings byte-wise: std::less<> compares std::string through
// std::char_traits<char>::compare, which compares as unsigned bytes (as memcmp does), so bytes
// 0x80 and above sort after ASCII and a string sorts before every longer string it begins. The
// transparent comparator also lets lookups take a std::string_view without a copy.

// Option name to value; each name once, an option given without a value holds "".
using OptionMap = std::map<std::string, std::string, std::less<>>;

// Free arguments without duplicates; their order on the command line is not kept.
using FreeArgumentSet = std::set<std::string, std::less<>>;
