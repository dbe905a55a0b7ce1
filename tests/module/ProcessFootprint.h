// What the process holds of the system, read by the load/unload soak before and after its
// cycles.
#pragma once

#include <cstddef>

namespace kel::testing {

struct ProcessFootprint {
  std::size_t residentBytes = 0;  // resident set on Linux, working set on Windows
  std::size_t handles = 0;        // open file descriptors on Linux, handles on Windows
  std::size_t mappings = 0;       // mapped regions on Linux; not counted on Windows
};

ProcessFootprint MeasureFootprint();

}  // namespace kel::testing
