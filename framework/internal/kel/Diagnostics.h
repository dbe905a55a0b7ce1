// The module's only output of its own: plain lines on the process's standard output.
#pragma once

#include <string_view>

namespace kel {

// Writes `line`, an end of line and a flush to standard output. Safe during static
// initialisation and from the exit list: the standard streams are kept alive around it.
void WriteDiagnosticLine(std::string_view line);

}  // namespace kel
