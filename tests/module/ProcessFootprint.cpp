#include "ProcessFootprint.h"

#if defined(_WIN32)
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

#include <cstdint>
#else
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#endif

namespace kel::testing {

#if defined(_WIN32)
ProcessFootprint MeasureFootprint() {
  ProcessFootprint footprint;
  // Wine answers GetProcessHandleCount with 0, so open handles are counted by probing every
  // handle value (a multiple of 4; the lowest free one is given out first).
  for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++footprint.handles;
  }
  PROCESS_MEMORY_COUNTERS counters{};
  if (K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
    footprint.residentBytes = counters.WorkingSetSize;
  }
  return footprint;
}
#else
ProcessFootprint MeasureFootprint() {
  ProcessFootprint footprint;
  std::size_t sizePages = 0;
  std::size_t residentPages = 0;
  std::ifstream("/proc/self/statm") >> sizePages >> residentPages;
  footprint.residentBytes = residentPages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::filesystem::directory_iterator descriptors("/proc/self/fd");
  footprint.handles = static_cast<std::size_t>(std::distance(begin(descriptors), end(descriptors)));
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) ++footprint.mappings;
  return footprint;
}
#endif

}  // namespace kel::testing
