#include "ArgumentsFile.h"

#include "kel/host/ModuleFile.h"

namespace kel::kelhost {

host::Outcome<std::vector<std::string>> SplitNulTerminated(std::string_view bytes) {
  std::vector<std::string> arguments;
  std::size_t begin = 0;
  for (std::size_t end; (end = bytes.find('\0', begin)) != std::string_view::npos;
       begin = end + 1) {
    if (arguments.size() == kMaxArguments) {
      return host::Failure{"more than " + std::to_string(kMaxArguments) + " arguments"};
    }
    arguments.emplace_back(bytes.substr(begin, end - begin));
  }
  if (begin != bytes.size()) {
    return host::Failure{"the last argument is not ended by a NUL byte"};
  }
  return arguments;
}

host::Outcome<std::vector<std::string>> ReadArgumentsFile(const std::string& path) {
  const host::Outcome<std::string> bytes = host::ReadFileBytes(path, kMaxArgumentsFileBytes);
  if (!bytes) return host::Failure{bytes.Error()};
  host::Outcome<std::vector<std::string>> arguments = SplitNulTerminated(bytes.Value());
  if (!arguments) return host::Failure{path + ": " + arguments.Error()};
  return arguments;
}

}  // namespace kel::kelhost
