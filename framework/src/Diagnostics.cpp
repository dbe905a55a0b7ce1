#include "kel/Diagnostics.h"

#include <iostream>

namespace kel {

void WriteDiagnosticLine(std::string_view line) {
  // Module load and unload may run before another translation unit's stream set-up or after
  // its teardown; an Init object guarantees std::cout exists for this write.
  const std::ios_base::Init keepStreams;
  std::cout << line << std::endl;
}

}  // namespace kel
