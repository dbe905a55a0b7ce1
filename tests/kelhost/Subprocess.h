// Runs a program as a child process and collects what it wrote. Exactly one of
// SubprocessPosix.cpp and SubprocessWindows.cpp is built.
#pragma once

#include <string>
#include <vector>

namespace kel::kelhost::testing {

struct ProcessResult {
  int exitCode = -1;   // the exit status; 128 + the signal number for a killed child
  std::string output;  // standard output, byte for byte as it reached the descriptor
  std::string errors;  // standard error, likewise
};

// Runs `program` (a path, UTF-8) with `arguments` (UTF-8; on Windows quoted into a command
// line that CommandLineToArgvW splits back into them) and waits for it to end. Both output
// streams go to files, so neither can fill up and stall the child. Fails the calling test
// when the child cannot be started.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace kel::kelhost::testing
