// The module's only output of its own: plain lines on the process's standard output.
#pragma once

#include <string_view>

namespace kel {

// Writes `line`, an end of line and a flush to C's standard output. Safe during static
// initialisation and from the exit list, and allocates nothing.
void WriteDiagnosticLine(std::string_view line);

}  // namespace kel
