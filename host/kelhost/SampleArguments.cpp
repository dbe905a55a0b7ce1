#include "SampleArguments.h"

namespace kel::kelhost {

const std::vector<std::string>& SampleArguments() {
  static const std::vector<std::string> kSample = {
      "--name=value", "--verbose", "--level=1",         "--level=2",  "-ofile.txt",
      "-w=80",        "-q",        "input.txt",         "output.txt", "input.txt",
      "--",           "-5",        "  --trimmed=yes  ",
  };
  return kSample;
}

std::string SampleLine() {
  std::string line;
  for (const std::string& argument : SampleArguments()) {
    if (!line.empty()) line += ' ';
    const bool quote = argument.find(' ') != std::string::npos;
    if (quote) line += '"';
    line += argument;
    if (quote) line += '"';
  }
  return line;
}

}  // namespace kel::kelhost
