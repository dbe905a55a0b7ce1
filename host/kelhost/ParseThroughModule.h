// Has the module parse an argument vector and reads the result back through its interfaces.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ICommandLineParametersParser.h"
#include "kel/host/Outcome.h"

namespace kel::kelhost {

// What the module made of one argument vector, copied out of its host strings.
struct ParseResult {
  // In the options iterator's order; an option without value has "".
  std::vector<std::pair<std::string, std::string>> options;
  // In the order of the collection GetFreeArguments hands out.
  std::vector<std::string> freeArguments;
};

// Calls Parse with argv[0] = "kelhost" followed by `arguments`, then GetParameters, walks
// the options with an iterator (values through GetValue) and reads GetFreeArguments. Every
// reference taken on the way is given back before it returns, the iterator before the
// parameters object it borrows from. Fails with a text naming the call that failed.
host::Outcome<ParseResult> ParseThroughModule(ICommandLineParametersParser& parser,
                                              const std::vector<std::string>& arguments);

}  // namespace kel::kelhost
