// kelhost's own command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kel/host/Outcome.h"

namespace kel::kelhost {

struct Invocation {
  enum class Mode { kParse, kInspect, kHelp, kVersion };

  Mode mode = Mode::kParse;
  // --module PATH; the module beside the executable when absent. For inspect, its MODULE.
  std::optional<std::string> modulePath;
  bool json = false;
  bool explain = false;
  bool trace = false;
  // --args-file FILE: the ARGs, NUL-terminated, come from this file.
  std::optional<std::string> argumentsFile;
  // True when "--" or an ARG was given, so an empty `arguments` means "parse nothing" and
  // not "parse the sample line".
  bool argumentsGiven = false;
  std::vector<std::string> arguments;
};

// Reads kelhost's arguments (argv[1] onwards). Options are recognised up to the first
// argument that is not one of them; "--" ends them and is not kept. A failure's text says
// what is wrong and where to look, without the "kelhost: " prefix.
host::Outcome<Invocation> ReadInvocation(const std::vector<std::string>& arguments);

}  // namespace kel::kelhost
