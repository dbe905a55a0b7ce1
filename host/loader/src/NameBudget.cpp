#include <algorithm>

#include "ModuleImageFormat.h"

namespace kel::host {

std::string NameBudget::Take(std::string_view rest, const std::string& what) {
  // Looking one byte past the longest name allowed is enough to tell a name too long from
  // one that is not terminated, and keeps every search as short as the name it finds.
  const std::string_view window = rest.substr(0, std::min(rest.size(), limits_.maxNameLength + 1));
  const std::size_t length = window.find('\0');
  if (length == std::string_view::npos) {
    if (window.size() > limits_.maxNameLength) {
      throw DamagedImage(what + " is longer than " + std::to_string(limits_.maxNameLength) +
                         " bytes");
    }
    throw DamagedImage(what + " is not terminated");
  }
  if (length > limits_.maxNamesTotal - taken_) {
    throw DamagedImage("the names the file holds take more than " +
                       std::to_string(limits_.maxNamesTotal) + " bytes together");
  }
  taken_ += length;
  return std::string(window.substr(0, length));
}

void NameBudget::CheckEntries(std::size_t count, const std::string& what) const {
  if (count > limits_.maxEntries) {
    throw DamagedImage(what + " has more than " + std::to_string(limits_.maxEntries) + " entries");
  }
}

}  // namespace kel::host
