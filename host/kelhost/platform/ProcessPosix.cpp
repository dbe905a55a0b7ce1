#include "Process.h"

#include <fcntl.h>
#include <unistd.h>

namespace kel::kelhost {

std::vector<std::string> ProcessArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int index = 1; index < argc; ++index) arguments.emplace_back(argv[index]);
  return arguments;
}

std::string ExecutablePath() {
  // readlink does not say whether the path was cut short: a buffer it fills completely is
  // grown and the link read again.
  std::string path(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < path.size()) {
      path.resize(static_cast<std::size_t>(length));
      return path;
    }
    path.resize(path.size() * 2);
  }
}

bool FileExists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

bool OpenPipe(int ends[2]) {
  return ::pipe2(ends, O_CLOEXEC) == 0;
}

}  // namespace kel::kelhost
