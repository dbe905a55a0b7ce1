// Exhausted memory during Parse: for every n, the n-th allocation fails until a parse gets
// through. Each failure must leave as std::bad_alloc, keep the previous result installed
// and untouched, and leave no allocation behind.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "CCommandLineParametersParserPlugin.h"
#include "FailingAllocation.h"
#include "kel/host/HostObserver.h"
#include "kel/host/LiveObjects.h"

namespace kel::testing {
namespace {

std::vector<std::string> OptionNames(ICommandLineParameters& parameters) {
  std::vector<std::string> names;
  for (auto it = parameters.GetOptionsIterator(); !it->IsEnd(); it->Next()) {
    names.emplace_back(it->GetName());
  }
  return names;
}

TEST(ParseAllocationFailureTest, EveryFailureKeepsThePreviousResultAndLeaksNothing) {
  ObjectPtr<IPlugin> plugin;
  ASSERT_EQ(CCommandLineParametersParserPlugin::GetInstance(plugin.Put()), result::kOk);
  ObjectPtr<ICommandLineParametersParser> parser;
  ASSERT_EQ(plugin->QueryInterface(ICommandLineParametersParser::kContractId, parser.PutVoid()),
            result::kOk);

  const char* const before[] = {"program", "--previous=1", "kept"};
  ASSERT_EQ(parser->Parse(3, before), result::kOk);
  ObjectPtr<ICommandLineParameters> previous;
  ASSERT_EQ(parser->GetParameters(previous.Put()), result::kOk);
  auto observer = host::HostObserver::Create();
  previous->AddObserver(observer.Get(), nullptr);

  const char* const argv[] = {"program",  "--alpha=1",  "-b2",
                              "free one", "free two",   "--alpha=3",
                              "-c",       "  padded  ", "--long-option-name=value"};
  const auto argc = static_cast<std::int32_t>(std::size(argv));
  long failures = 0;
  for (long allowed = 0;; ++allowed) {
    SCOPED_TRACE("allocation " + std::to_string(allowed) + " fails");
    const long liveBefore = FailingAllocation::LiveAllocations();
    bool failed = false;
    {
      FailingAllocation failAfter(allowed);
      try {
        parser->Parse(argc, argv);
      } catch (const std::bad_alloc&) {
        failed = true;
      }
    }
    if (!failed) break;
    ++failures;
    EXPECT_EQ(FailingAllocation::LiveAllocations(), liveBefore) << "a failed parse leaked";
    ObjectPtr<ICommandLineParameters> current;
    ASSERT_EQ(parser->GetParameters(current.Put()), result::kOk);
    EXPECT_EQ(current, previous) << "the previous result must stay installed";
    EXPECT_EQ(previous->GetRefCount(), 3u) << "the plug-in's, ours and this probe's";
  }
  EXPECT_GT(failures, 3) << "the parse allocates; every one of its allocations was tried";

  ObjectPtr<ICommandLineParameters> latest;
  ASSERT_EQ(parser->GetParameters(latest.Put()), result::kOk);
  EXPECT_NE(latest, previous);
  EXPECT_EQ(OptionNames(*latest),
            (std::vector<std::string>{"alpha", "b", "c", "long-option-name"}));
  EXPECT_EQ(OptionNames(*previous), (std::vector<std::string>{"previous"})) << "untouched";
  EXPECT_EQ(observer->NotifyCalls(), 0u);
  previous.Reset();
  EXPECT_EQ(observer->NotifyCalls(), 1u) << "released exactly when the last reference went";
}

}  // namespace
}  // namespace kel::testing
