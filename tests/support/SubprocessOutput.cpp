#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <gtest/gtest.h>

#include <cstdio>

#include "Subprocess.h"

namespace kel::testing {

ProcessOutput RunProcessWithOutputPipe(const std::string& program,
                                       const std::vector<std::string>& arguments) {
  int ends[2];
#ifdef _WIN32
  const bool opened = ::_pipe(ends, 64 * 1024, _O_BINARY) == 0;
#else
  const bool opened = ::pipe(ends) == 0;
#endif
  if (!opened) {
    ADD_FAILURE() << "cannot open a pipe";
    return {-1, ""};
  }
  std::fflush(stdout);
  const int saved = ::dup(1);
  ::dup2(ends[1], 1);
  ::close(ends[1]);
  const int exit = RunProcess(program, arguments);
  ::dup2(saved, 1);  // closes the last write end: the read below ends at the child's output
  ::close(saved);
  ProcessOutput result{exit, ""};
  char buffer[4096];
  for (int got; (got = static_cast<int>(::read(ends[0], buffer, sizeof buffer))) > 0;)
    result.output.append(buffer, static_cast<std::size_t>(got));
  ::close(ends[0]);
  return result;
}

}  // namespace kel::testing
