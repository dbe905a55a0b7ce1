#include "ModuleHost.h"

#include <algorithm>
#include <cstdint>

namespace kel::testing {

void ModuleHostTest::SetUp() {
  ASSERT_EQ(hostdouble::live, 0) << "host objects alive before the test";
  ASSERT_FALSE(host::ModuleLibrary::IsLoaded(kModulePath)) << "mapped before the test loads it";
  std::string error;
  capture_.emplace();
  module_ = host::ModuleLibrary::Load(kModulePath, error);
  printedByLoad_ = capture_->Finish();
  capture_.emplace();
  ASSERT_TRUE(module_) << error;
  getExport_ = reinterpret_cast<decltype(getExport_)>(module_->FindSymbol("GetExport"));
  abi::IObjectBase* exported = nullptr;
  ASSERT_EQ(getExport_(contract::kPluginExport, &exported), 0);
  const ObjectPtr<abi::IObjectBase> held = AdoptRef(exported);
  exported->QueryInterface(contract::kPlugin, plugin_.PutVoid());
  exported->QueryInterface(contract::kParser, parser_.PutVoid());
  exported->QueryInterface(contract::kImports, imports_.PutVoid());
  ASSERT_TRUE(parser_ && imports_);
  Create();
  InjectInto(*imports_);
  ExpectServicesAtRest();
}

void ModuleHostTest::TearDown() {
  if (module_ && module_->IsOpen()) {
    EXPECT_EQ(ReleaseAndUnload(), Line("PlugDLL deleted"));
  }
  observers_.clear();
  static_cast<InjectedServices&>(*this) = {};
  EXPECT_EQ(hostdouble::live, 0) << "host objects still alive";
  EXPECT_EQ(hostdouble::unexpectedCalls.exchange(0), 0) << "calls where the module calls nothing";
}

std::string ModuleHostTest::TakeStdout() {
  if (!capture_) return {};
  std::string printed = capture_->Finish();
  capture_.emplace();
  return printed;
}

std::string ModuleHostTest::ReleaseAndUnload() {
  parser_.Reset();
  imports_.Reset();
  if (abi::IPlugin* last = plugin_.Detach()) {
    EXPECT_EQ(last->Release(), 1u) << "the module keeps exactly one reference of the plug-in";
  }
  EXPECT_EQ(TakeStdout(), "") << "printed and not checked by the test";
  EXPECT_TRUE(module_->Unload());
  std::string printed = capture_->Finish();
  capture_.reset();
  EXPECT_FALSE(host::ModuleLibrary::IsLoaded(kModulePath)) << "still mapped after unload";
  return printed;
}

abi::Code ModuleHostTest::Parse(const std::vector<std::string>& arguments) {
  std::vector<std::string> copies{"prog"};
  copies.insert(copies.end(), arguments.begin(), arguments.end());
  std::vector<const char*> argv;
  for (const std::string& argument : copies) argv.push_back(argument.c_str());
  const abi::Code parsed = parser_->Parse(static_cast<std::int32_t>(copies.size()), argv.data());
  for (std::string& argument : copies) std::fill(argument.begin(), argument.end(), '#');
  return parsed;
}

ObjectPtr<abi::IParameters> ModuleHostTest::ParseAndGet(const std::vector<std::string>& arguments) {
  EXPECT_EQ(Parse(arguments), 0);
  ObjectPtr<abi::IParameters> parameters;
  EXPECT_EQ(parser_->GetParameters(parameters.Put()), 0);
  EXPECT_TRUE(parameters);
  return parameters;
}

void ModuleHostTest::ExpectServicesAtRest() const {
  for (const abi::Count count : {logger->Count(), strings->Count(), collections->Count(),
                                 stringsProxy->Count(), collectionsProxy->Count()}) {
    EXPECT_EQ(count, 2u) << "logger, factories, then proxies";
  }
}

}  // namespace kel::testing
