#include "kel/Diagnostics.h"

#include <cstdio>

namespace kel {

void WriteDiagnosticLine(std::string_view line) {
  // C's standard output works from the first constructor to the last exit handler and needs
  // no set-up per load: the C++ streams would, and on Windows their set-up in a DLL keeps
  // handles that no unload gives back.
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace kel
