// Runs a program as a child process that shares this process's standard streams, so that a
// capture of standard output takes the child's output too. Exactly one of
// SubprocessPosix.cpp and SubprocessWindows.cpp is built.
#pragma once

#include <string>
#include <vector>

namespace kel::kelhost::testing {

// Runs `program` (a path, UTF-8) with `arguments` (UTF-8, free of white space, quotes and
// whatever else a shell would read; on Windows handed over as a wide command line) and
// returns its exit status, or -1 with a test failure when it cannot be started or did not
// exit.
int RunProcess(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace kel::kelhost::testing
