// Loads and unloads the built module file over and over as a host does: each cycle loads it,
// takes the plug-in from GetExport, injects the host's counting services, parses, reads the
// result back (the values through an iterator walk, and the free arguments) and unloads it.
// Every cycle must print exactly the module's two lines and give back every host reference;
// after a warm-up, resident memory, open handles and mappings must stay flat to the end.
// KEL_SOAK_CYCLES sets the number of cycles (300 by default); KEL_SOAK_HANDLES_ONLY leaves
// memory and mappings unchecked, for runs under a tool that allocates as the process goes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ParseThroughModule.h"
#include "ProcessFootprint.h"
#include "StdoutCapture.h"
#include "kel/IImportsContainer.h"
#include "kel/ModuleLibrary.h"
#include "kel/host/ImportServices.h"
#include "kel/host/LiveObjects.h"

namespace kel::testing {
namespace {

// Between two readings resident memory moves by a page or two as the allocator reuses its
// free lists. A leak of one allocation per cycle (32 bytes at least, with its header) passes
// this within 2,048 cycles.
constexpr std::size_t kResidentTolerance = 64 * 1024;

// One cycle; `printed` receives what the process printed during it.
void RunCycle(std::string& printed) {
  StdoutCapture capture;
  std::string error;
  std::optional<platform::ModuleLibrary> module =
      platform::ModuleLibrary::Load(KEL_MODULE_PATH, error);
  ASSERT_TRUE(module) << error;
  {
    const auto getExport = reinterpret_cast<ResultCode (*)(ContractId, IObjectBase**)>(
        module->FindSymbol("GetExport"));
    ObjectPtr<IObjectBase> plugin;
    ASSERT_EQ(getExport("com.velkora.zq.CCommandLineParametersParserPlugin/1.0", plugin.Put()), 0);
    const auto imports = QueryAs<IImportsContainer>(plugin);
    const auto parser = QueryAs<ICommandLineParametersParser>(plugin);
    ASSERT_TRUE(imports && parser);
    // The manifest's imports, in the order of ImportServices().
    const char* const properties[] = {"Logger", "StringFactory", "CollectionFactory"};
    for (std::size_t i = 0; i < std::size(properties); ++i) {
      imports->SetImport(properties[i], host::CreateImportProxy(host::ImportServices()[i]).Get());
    }
    const auto parsed = kelhost::ParseThroughModule(
        *parser, {"--level=1", "b.txt", "-v", "a.txt", "--level=2", "b.txt"});
    ASSERT_TRUE(parsed);
    using Options = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(parsed.Value().options, (Options{{"level", "2"}, {"v", ""}}));
    EXPECT_EQ(parsed.Value().freeArguments, (std::vector<std::string>{"a.txt", "b.txt"}));
  }
  EXPECT_TRUE(module->Unload());
  EXPECT_EQ(host::LiveObjects::Total(), 0u) << host::LiveObjects::Describe();
  printed = capture.Finish();
}

TEST(ModuleSoakTest, EveryCycleLeavesNothingBehind) {
  const char* setting = std::getenv("KEL_SOAK_CYCLES");
  const int cycles = setting != nullptr ? std::atoi(setting) : 300;
  const std::string lines =
      std::string("PlugDLL created") + kStdoutLineEnd + "PlugDLL deleted" + kStdoutLineEnd;
  ProcessFootprint warm = MeasureFootprint();  // the first reading faults in its own code
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    std::string printed;
    RunCycle(printed);
    ASSERT_FALSE(HasFailure()) << "cycle " << cycle;
    ASSERT_EQ(printed, lines) << "cycle " << cycle;
    if (cycle == cycles / 10) warm = MeasureFootprint();
  }
  const ProcessFootprint end = MeasureFootprint();
  std::printf(
      "%d cycles; after %d and at the end: resident %zu and %zu KiB, %zu and %zu handles, "
      "%zu and %zu mappings\n",
      cycles, cycles / 10, warm.residentBytes / 1024, end.residentBytes / 1024, warm.handles,
      end.handles, warm.mappings, end.mappings);
  const std::size_t measured = static_cast<std::size_t>(cycles - cycles / 10);
  EXPECT_LE(end.handles, warm.handles + measured * kRuntimeCostPerLoad.handles);
  if (std::getenv("KEL_SOAK_HANDLES_ONLY") != nullptr) return;
  EXPECT_EQ(end.mappings, warm.mappings);
  EXPECT_LE(end.residentBytes,
            warm.residentBytes + measured * kRuntimeCostPerLoad.residentBytes + kResidentTolerance);
}

}  // namespace
}  // namespace kel::testing
