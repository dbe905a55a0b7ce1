// kelhost's commands. Each returns the process's exit status (ExitCodes.h).
#pragma once

#include <string>
#include <vector>

#include "Invocation.h"

namespace kel::kelhost {

// The whole tool: reads the invocation from `arguments` (the process's arguments after the
// program name) and runs the command it asks for.
int RunKelhost(const std::vector<std::string>& arguments);

// Loads the module, has it parse the ARGs (or the sample line), prints the table or JSON,
// unloads the module and checks that no host object is left alive.
int RunParse(const Invocation& invocation);

// Prints what InspectModule found; fails when it found a problem.
int RunInspect(const Invocation& invocation);

// CommandLineParametersParser.kellib in the directory of the running executable.
std::string DefaultModulePath();

}  // namespace kel::kelhost
