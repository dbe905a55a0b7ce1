// Loads and unloads the built module file over and over as a host does: each cycle loads
// it, takes the plug-in from GetExport, injects the host doubles, parses, reads the result
// back and unloads. Every cycle must print exactly the module's two lines and give back
// every host reference; after the first tenth of the cycles, open handles and mappings must
// stay as they are and resident memory flat. KEL_SOAK_CYCLES sets the number of cycles (300
// by default); KEL_SOAK_HANDLES_ONLY leaves memory and mappings unchecked, for runs under a
// tool whose runtime allocates and maps as the process goes.
#include <cstdio>
#include <cstdlib>

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

#include "ModuleHost.h"

namespace kel::testing {
namespace {

// What the process holds of the system.
struct ProcessFootprint {
  std::size_t residentBytes = 0;  // resident set on Linux, working set on Windows
  std::size_t handles = 0;        // open file descriptors on Linux, handles on Windows
  std::size_t mappings = 0;       // mapped regions on Linux; not counted on Windows
};

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

// Between two readings resident memory moves by a page or two as the allocator reuses its
// free lists. A leak of one allocation per cycle (32 bytes at least, with its header)
// exceeds this within 2,048 cycles.
constexpr std::size_t kResidentTolerance = 64 * 1024;

// The options walked with an iterator ("name=value" or "name"), then the free arguments.
std::string ReadBack(abi::IParameters& result) {
  std::string read;
  ObjectPtr<abi::IOptionsIterator> it;
  EXPECT_EQ(result.CreateOptionsIterator(it.Put()), 0);
  for (; it && !it->IsEnd(); it->Next()) {
    ObjectPtr<abi::IObject> value;
    read += it->GetName();
    read += (it->GetValue(value.Put()) == 0 ? "=" + hostdouble::TextOf(value.Get()) : "") + ",";
  }
  ObjectPtr<abi::IObject> freeArguments;
  EXPECT_EQ(result.GetFreeArguments(freeArguments.Put()), 0);
  return read + static_cast<hostdouble::Collection*>(freeArguments.Get())->Render();
}

using ModuleSoakTest = ModuleHostTest;

TEST_F(ModuleSoakTest, EveryCyclePrintsItsTwoLinesAndLeavesNothingBehind) {
  const char* setting = std::getenv("KEL_SOAK_CYCLES");
  const int cycles = setting != nullptr ? std::atoi(setting) : 300;
  ProcessFootprint warm = MeasureFootprint();  // the first reading faults in its own code
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    if (cycle > 1) SetUp();
    EXPECT_EQ(printedByLoad_, Line("PlugDLL created"));
    EXPECT_EQ(ReadBack(*ParseAndGet({"--level=1", "b.txt", "-v", "a.txt", "--level=2", "b.txt"})),
              "level=2,v,[a.txt,b.txt]");
    EXPECT_EQ(ReleaseAndUnload(), Line("PlugDLL deleted"));
    TearDown();
    ASSERT_FALSE(HasFailure()) << "cycle " << cycle;
    if (cycle == cycles / 10) warm = MeasureFootprint();
  }
  const ProcessFootprint end = MeasureFootprint();
  std::printf(
      "%d cycles; after %d and at the end: resident %zu and %zu KiB, %zu and %zu "
      "handles, %zu and %zu mappings\n",
      cycles, cycles / 10, warm.residentBytes / 1024, end.residentBytes / 1024, warm.handles,
      end.handles, warm.mappings, end.mappings);
  EXPECT_EQ(end.handles, warm.handles);
  if (std::getenv("KEL_SOAK_HANDLES_ONLY") != nullptr) return;
  EXPECT_EQ(end.mappings, warm.mappings);
  EXPECT_LE(end.residentBytes, warm.residentBytes + kResidentTolerance);
}

}  // namespace
}  // namespace kel::testing
