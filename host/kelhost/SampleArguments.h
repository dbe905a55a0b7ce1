// The arguments kelhost parses when it is given none.
#pragma once

#include <string>
#include <vector>

namespace kel::kelhost {

// One of every shape of the grammar: long options with and without a value, an option given
// twice, short options with an attached value, with '=' and alone, free arguments with a
// duplicate, "--", a negative number (dropped) and an option with spaces around it.
const std::vector<std::string>& SampleArguments();

// The sample as one shell line, an argument with spaces in double quotes.
std::string SampleLine();

}  // namespace kel::kelhost
