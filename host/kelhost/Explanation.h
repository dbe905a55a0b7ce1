// How the grammar classified each argument, for --explain. The module says nothing about
// what it drops, so this runs the module's own grammar code (kel_grammar) on the same
// arguments.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kel::kelhost {

struct ArgumentExplanation {
  enum class Outcome { kOption, kFreeArgument, kDropped };

  std::size_t position = 0;  // 1 for the first argument after the program name
  std::string argument;      // as given
  std::string trimmed;       // after TrimSpaces
  int row = 0;               // the grammar row that matched
  std::string shape;         // a phrase for that row, "dropped: ..." for a dropped one
  Outcome outcome = Outcome::kDropped;
  std::string name;   // the option set; empty unless kOption
  std::string value;  // its value; empty unless kOption
  // For an option: the position of a later argument that sets the same name again.
  std::optional<std::size_t> replacedBy;
  // For a free argument: the position of the earlier equal one it collapses into.
  std::optional<std::size_t> collapsesInto;
};

// One explanation per argument, in order.
std::vector<ArgumentExplanation> ExplainArguments(const std::vector<std::string>& arguments);

}  // namespace kel::kelhost
