// One parse result queried from several threads at once, with references taken and given
// back concurrently. Run under ThreadSanitizer, any data race in counting or querying is a
// report; everywhere, the answers must stay exact and the counts must balance.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "CCommandLineParametersParserPlugin.h"
#include "kel/host/HostExportProxy.h"
#include "kel/host/HostFactories.h"
#include "kel/host/LiveObjects.h"

namespace kel::testing {
namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 300;

TEST(ConcurrentQueryTest, ManyThreadsQueryOneResultAndCountsBalance) {
  ObjectPtr<IPlugin> plugin;
  ASSERT_EQ(CCommandLineParametersParserPlugin::GetInstance(plugin.Put()), result::kOk);
  ObjectPtr<ICommandLineParametersParser> parser;
  ObjectPtr<kel::IImportsContainer> imports;
  ASSERT_EQ(plugin->QueryInterface(ICommandLineParametersParser::kContractId, parser.PutVoid()),
            result::kOk);
  ASSERT_EQ(plugin->QueryInterface(kel::IImportsContainer::kContractId, imports.PutVoid()),
            result::kOk);
  auto factory = host::HostStringFactory::Create();
  imports->SetImport("StringFactory",
                     host::HostExportProxy::Create(ObjectPtr<IObjectBase>(factory.Get())).Get());

  const char* const argv[] = {"program", "--alpha=1", "--beta", "-g7", "free"};
  ASSERT_EQ(parser->Parse(5, argv), result::kOk);
  ObjectPtr<ICommandLineParameters> parameters;
  ASSERT_EQ(parser->GetParameters(parameters.Put()), result::kOk);

  std::atomic<int> wrongAnswers{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int round = 0; round < kRounds; ++round) {
        ObjectPtr<ICommandLineParameters> mine(parameters.Get());
        bool flag = false;
        if (mine->HasOption("alpha", &flag) != result::kOk || !flag) ++wrongAnswers;
        if (mine->HasOptionValue("beta", &flag) != result::kOk || flag) ++wrongAnswers;
        if (mine->HasOptionValue("missing", &flag) != result::kNotFound) ++wrongAnswers;
        ObjectPtr<IString> value;
        if (mine->GetOptionValue("g", value.Put()) != result::kOk || !value ||
            std::string(value->GetText()) != "7") {
          ++wrongAnswers;
        }
        std::string walk;
        for (auto it = mine->GetOptionsIterator(); !it->IsEnd(); it->Next()) walk += it->GetName();
        if (walk != "alphabetag") ++wrongAnswers;
        void* identity = nullptr;
        if (mine->QueryInterface(IObjectBase::kContractId, &identity) != result::kOk) {
          ++wrongAnswers;
        } else {
          static_cast<IObjectBase*>(identity)->Release();
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(wrongAnswers.load(), 0);
  EXPECT_EQ(parameters->GetRefCount(), 2u) << "the plug-in's and ours, nothing else";
  EXPECT_EQ(factory->CreateStringCalls(), static_cast<std::uint32_t>(kThreads * kRounds));
  EXPECT_EQ(host::LiveObjects::Count(host::ObjectKind::String), 0u);
  imports->ClearImports();
}

}  // namespace
}  // namespace kel::testing
