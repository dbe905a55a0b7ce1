// Runs a program as a child process that shares this process's standard streams, so that a
// capture of standard output takes the child's output too. Exactly one of
// SubprocessPosix.cpp and SubprocessWindows.cpp is built, with SubprocessOutput.cpp.
#pragma once

#include <string>
#include <vector>

namespace kel::testing {

// Runs `program` (a path, UTF-8) with `arguments` (UTF-8, free of white space, quotes and
// whatever else a shell would read; on Windows handed over as a wide command line) and
// returns its exit status, or -1 with a test failure when it cannot be started or did not
// exit.
int RunProcess(const std::string& program, const std::vector<std::string>& arguments);

struct ProcessOutput {
  int exit;
  std::string output;  // what the child wrote to standard output, byte for byte
};

// RunProcess with the child's standard output on a pipe, which this process reads once the
// child has ended: for children that write less than a pipe holds.
ProcessOutput RunProcessWithOutputPipe(const std::string& program,
                                       const std::vector<std::string>& arguments);

}  // namespace kel::testing
