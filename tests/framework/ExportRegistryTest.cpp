#include "ExportRegistry.h"

#include <gtest/gtest.h>

#include "CountedObject.h"

namespace kel::testing {
namespace {

// The registry is module-global and set up once per process, so its whole life in this
// executable is exercised in one test, in order.
TEST(ExportRegistryTest, RegistersAndHandsOutByExactIdentifier) {
  ::testing::internal::CaptureStdout();
  ExportRegistry& registry = *ExportRegistry::Instance();
  ExportRegistry* again = ExportRegistry::Instance();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "PlugDLL created\n")
      << "set up once, announced once";
  EXPECT_EQ(&registry, again);

  ObjectPtr<CountedObject> first = ObjectLifetime::Create<CountedObject>(1);
  ObjectPtr<CountedObject> second = ObjectLifetime::Create<CountedObject>(2);
  const char kId[] = "com.velkora.test.CProbe/1.0";
  registry.Register(kId, first.Get());
  EXPECT_EQ(first->GetRefCount(), 1u) << "registration takes no reference";

  IObjectBase* out = nullptr;
  ASSERT_EQ(registry.Lookup(kId, &out), result::kOk);
  EXPECT_EQ(out, static_cast<IObjectBase*>(first.Get()));
  EXPECT_EQ(first->GetRefCount(), 2u);
  out->Release();

  EXPECT_EQ(registry.Lookup(kId, nullptr), result::kNotFound);
  EXPECT_EQ(first->GetRefCount(), 1u);

  const char* const unknown[] = {"com.velkora.test.CProbe",
                                 "com.velkora.test.CProbe/1.1",
                                 "com.velkora.test.cprobe/1.0",
                                 "com.velkora.test.CProbe/1.0 ",
                                 "",
                                 nullptr};
  for (const char* id : unknown) {
    SCOPED_TRACE(id == nullptr ? "(null)" : id);
    IObjectBase* cleared = first.Get();
    EXPECT_EQ(registry.Lookup(id, &cleared), result::kNotFound);
    EXPECT_EQ(cleared, nullptr);
  }

  // A second registration replaces the pointer without touching either count.
  registry.Register(kId, second.Get());
  ASSERT_EQ(registry.Lookup(kId, &out), result::kOk);
  EXPECT_EQ(out, static_cast<IObjectBase*>(second.Get()));
  out->Release();
  EXPECT_EQ(first->GetRefCount(), 1u);
  EXPECT_EQ(second->GetRefCount(), 1u);

  // Leave nothing registered that outlives this test.
  registry.Register(kId, nullptr);
}

}  // namespace
}  // namespace kel::testing
