#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "Subprocess.h"

namespace kel::testing {

int RunProcess(const std::string& program, const std::vector<std::string>& arguments) {
  std::string command = program;
  for (const std::string& argument : arguments) command += " " + argument;
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status)) ADD_FAILURE() << command << " did not run to its end";
  return status == -1 || !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
}

}  // namespace kel::testing
