#include "kel/Singleton.h"

#include <gtest/gtest.h>

#include "kel/InterfaceTable.h"

namespace kel::testing {
namespace {

class IProbe : public IObjectBase {
 public:
  static constexpr ContractId kContractId = "com.velkora.test.IProbe/1.0";

 protected:
  ~IProbe() = default;
};

class SingletonProbe final : public IProbe, public Singleton<SingletonProbe, IProbe> {
 public:
  static inline int constructions = 0;

  RefCount AddRef() override { return refCount_.Increment(); }
  RefCount Release() override { return ObjectLifetime::Release(this, refCount_); }
  ResultCode GetInterface(ContractId id, void** out) override { return QueryInterface(id, out); }
  ResultCode QueryInterface(ContractId id, void** out) override {
    static constexpr InterfaceEntry<SingletonProbe> kInterfaces[] = {
        {IProbe::kContractId, &SelectInterface<SingletonProbe, IProbe>}};
    return QueryInterfaceTable(*this, kInterfaces, id, out);
  }
  bool IsUnique() override { return refCount_.Load() == 1; }
  RefCount GetRefCount() override { return refCount_.Load(); }

 private:
  friend class kel::ObjectLifetime;
  SingletonProbe() { ++constructions; }
  ~SingletonProbe() = default;

  AtomicRefCount refCount_;
};

// The singleton base adds no data to the instance.
static_assert(std::is_empty_v<Singleton<SingletonProbe, IProbe>>);

TEST(SingletonTest, GetInstanceCreatesOneInstanceHeldByTheHolder) {
  EXPECT_EQ(SingletonProbe::GetInstance(nullptr), result::kNullObjectOut);
  EXPECT_EQ(SingletonProbe::constructions, 0) << "a null out-parameter must create nothing";

  IProbe* first = nullptr;
  ASSERT_EQ(SingletonProbe::GetInstance(&first), result::kOk);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetRefCount(), 2u) << "the holder's reference and ours";

  IProbe* second = nullptr;
  ASSERT_EQ(SingletonProbe::GetInstance(&second), result::kOk);
  EXPECT_EQ(second, first);
  EXPECT_EQ(first->GetRefCount(), 3u);
  EXPECT_EQ(SingletonProbe::constructions, 1);

  second->Release();
  EXPECT_EQ(first->Release(), 1u) << "the holder keeps its reference until exit";
}

}  // namespace
}  // namespace kel::testing
