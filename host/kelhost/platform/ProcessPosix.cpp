#include "Process.h"

#include <filesystem>
#include <system_error>

namespace kel::kelhost {

std::vector<std::string> ProcessArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int index = 1; index < argc; ++index) arguments.emplace_back(argv[index]);
  return arguments;
}

std::string ExecutablePath() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

}  // namespace kel::kelhost
