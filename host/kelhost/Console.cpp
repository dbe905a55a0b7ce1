#include "Console.h"

#include <cstdio>
#include <string>

namespace kel::kelhost {

void WriteOutput(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void WriteErrorLine(std::string_view line) {
  std::fflush(stdout);
  std::string whole(line);
  whole += '\n';
  std::fwrite(whole.data(), 1, whole.size(), stderr);
}

}  // namespace kel::kelhost
