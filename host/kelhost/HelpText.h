// kelhost --help.
#pragma once

#include <string>

namespace kel::kelhost {

// Usage, options, output formats, exit statuses and examples; ends in "\n".
std::string HelpText();

}  // namespace kel::kelhost
