#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ProcessFootprint.h"

namespace kel::testing {

const ProcessFootprint kRuntimeCostPerLoad{};

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

}  // namespace kel::testing
