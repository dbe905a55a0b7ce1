// The grammar's golden corpus replayed through the loaded module: every case parsed by the
// plug-in and read back as a host reads it, through the iterator, the free-argument
// collection and the per-name queries, with host strings and collections made by the
// host's factories and all given back after each case.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "GoldenCorpus.h"
#include "ModuleHost.h"
#include "kel/host/LiveObjects.h"

namespace kel::testing {
namespace {

using host::LiveObjects;
using host::ObjectKind;
using ::testing::ElementsAreArray;

class CorpusReplayTest : public PluginHostTest {
 protected:
  // Walks every option with a new iterator: name, value flag and value text, in order.
  void ExpectWalk(ICommandLineParameters& parameters, const GoldenCase& goldenCase) {
    std::vector<std::pair<std::string, std::string>> walked;
    auto iterator = parameters.GetOptionsIterator();
    ASSERT_TRUE(iterator);
    // Bounded, so that an iterator that never ends fails instead of hanging.
    for (std::size_t step = 0; step <= goldenCase.options.size() && !iterator->IsEnd(); ++step) {
      const char* name = iterator->GetName();
      EXPECT_NE(name, nullptr);
      if (name == nullptr) break;
      FlagOut hasValue;
      EXPECT_EQ(iterator->HasValue(hasValue.Out()), result::kOk);
      IString* value = Sentinel<IString>();
      const ResultCode got = iterator->GetValue(&value);
      std::string text;
      if (hasValue.Byte() == 1u) {
        EXPECT_EQ(got, result::kOk) << name;
        EXPECT_NE(value, Sentinel<IString>());
        if (got == result::kOk && value != nullptr && value != Sentinel<IString>()) {
          EXPECT_EQ(AsHost(value).PeekRefCount(), 1u) << "the host holds the only reference";
          text = TextOf(value);
          value->Release();
        }
      } else {
        EXPECT_EQ(hasValue.Byte(), 0u) << name;
        EXPECT_EQ(got, result::kNotFound) << name;
        EXPECT_EQ(value, Sentinel<IString>()) << name;
      }
      walked.emplace_back(name, text);
      EXPECT_EQ(iterator->Next(), result::kOk);
    }
    EXPECT_TRUE(iterator->IsEnd());
    EXPECT_THAT(walked, ElementsAreArray(goldenCase.options));
  }

  void ExpectFreeArguments(ICommandLineParameters& parameters, const GoldenCase& goldenCase) {
    ObjectPtr<ICollection> freeArguments;
    EXPECT_EQ(parameters.GetFreeArguments(freeArguments.Put()), result::kOk);
    ASSERT_TRUE(freeArguments);
    EXPECT_EQ(AsHost(freeArguments.Get()).PeekRefCount(), 1u);
    EXPECT_THAT(TextsOf(freeArguments.Get()), ElementsAreArray(goldenCase.freeArguments));
  }

  // Asks for every expected option by name.
  void ExpectNamedQueries(ICommandLineParameters& parameters, const GoldenCase& goldenCase) {
    for (const auto& [name, value] : goldenCase.options) {
      SCOPED_TRACE("option '" + name + "'");
      FlagOut present;
      EXPECT_EQ(parameters.HasOption(name.c_str(), present.Out()), result::kOk);
      EXPECT_EQ(present.Byte(), 1u);
      FlagOut hasValue;
      EXPECT_EQ(parameters.HasOptionValue(name.c_str(), hasValue.Out()), result::kOk);
      EXPECT_EQ(hasValue.Byte(), value.empty() ? 0u : 1u);
      IString* text = Sentinel<IString>();
      if (value.empty()) {
        EXPECT_EQ(parameters.GetOptionValue(name.c_str(), &text), result::kNotFound);
        EXPECT_EQ(text, Sentinel<IString>());
        continue;
      }
      EXPECT_EQ(parameters.GetOptionValue(name.c_str(), &text), result::kOk);
      if (text == nullptr || text == Sentinel<IString>()) {
        ADD_FAILURE() << "no string handed out";
        continue;
      }
      EXPECT_EQ(AsHost(text).PeekRefCount(), 1u);
      EXPECT_EQ(TextOf(text), value);
      text->Release();
    }
  }
};

TEST_F(CorpusReplayTest, EveryCaseReadsBackThroughTheModuleAsTheCorpusSays) {
  const std::vector<GoldenCase> cases = ReadGoldenCorpus(KEL_GRAMMAR_CORPUS);
  // A corpus cut short by a bad edit would otherwise pass with whatever cases remain.
  ASSERT_GE(cases.size(), 60u);
  for (const GoldenCase& goldenCase : cases) {
    SCOPED_TRACE(DescribeCase(goldenCase));
    const std::vector<const char*> argv = MakeArgv(goldenCase);
    ASSERT_EQ(parser_->Parse(goldenCase.argc, argv.data()), result::kOk);
    const std::size_t madeBefore = strings_->RequestedTexts().size();
    {
      ObjectPtr<ICommandLineParameters> parameters = Current();
      ASSERT_TRUE(parameters);
      ExpectWalk(*parameters, goldenCase);
      ExpectFreeArguments(*parameters, goldenCase);
      ExpectNamedQueries(*parameters, goldenCase);
      EXPECT_EQ(parameters->GetRefCount(), 2u) << "the plug-in's reference and the host's";
    }
    // One string per non-empty value handed out and per free argument, asked for in the
    // order the host read them; the module kept none of them.
    std::vector<std::string> expectedTexts;
    for (const auto& [name, value] : goldenCase.options) {
      if (!value.empty()) expectedTexts.push_back(value);
    }
    expectedTexts.insert(expectedTexts.end(), goldenCase.freeArguments.begin(),
                         goldenCase.freeArguments.end());
    for (const auto& [name, value] : goldenCase.options) {
      if (!value.empty()) expectedTexts.push_back(value);
    }
    const std::vector<std::string> made = strings_->RequestedTexts();
    EXPECT_THAT(std::vector<std::string>(made.begin() + static_cast<std::ptrdiff_t>(madeBefore),
                                         made.end()),
                ElementsAreArray(expectedTexts));
    EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 0u);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::Collection), 0u);
    ExpectServicesAtRest();
  }
  EXPECT_EQ(TakeStdout(), "") << "the module prints nothing while it parses and answers";
}

}  // namespace
}  // namespace kel::testing
