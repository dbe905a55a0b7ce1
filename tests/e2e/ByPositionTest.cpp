// Every operation of the module's interfaces called at its position, through the host's own
// declarations of the binary interface: the documented order of operations, written down
// here independently of the module's headers. An operation that the module's declarations
// put at another position answers where the host expects its neighbour, and the answer
// gives it away. Operations whose answers would be alike are told apart by their effects.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ModuleHost.h"
#include "kel/host/HostObserver.h"
#include "kel/host/PlainHostObject.h"
#include "kel/host/ThreadId.h"

// The interfaces as a host declares them: operations in their documented order. Outside an
// anonymous namespace, so that the compiler cannot conclude that no class implements them
// and resolve calls through them at compile time.
namespace kel::testing::position {

class IObjectBase {
 public:
  virtual RefCount AddRef() = 0;
  virtual RefCount Release() = 0;
  virtual ResultCode GetInterface(ContractId id, void** out) = 0;
  virtual ResultCode QueryInterface(ContractId id, void** out) = 0;
  virtual bool IsUnique() = 0;
  virtual RefCount GetRefCount() = 0;

 protected:
  ~IObjectBase() = default;
};

class IObject : public IObjectBase {
 public:
  virtual void AddObserver(kel::IObserver* observer, void* cookie) = 0;
  virtual void RemoveObserver(kel::IObserver* observer) = 0;
  virtual ThreadId GetThreadId() = 0;
  virtual ResultCode SetThreadId(ThreadId threadId) = 0;

 protected:
  ~IObject() = default;
};

class IPlugin : public IObject {
 public:
  virtual ResultCode PluginHook(void* context) = 0;

 protected:
  ~IPlugin() = default;
};

class IOptionsIterator : public IObjectBase {
 public:
  virtual ResultCode Next() = 0;
  virtual bool IsEnd() = 0;
  virtual const char* GetName() = 0;
  virtual ResultCode HasValue(bool* hasValue) = 0;
  virtual ResultCode GetValue(IString** value) = 0;

 protected:
  ~IOptionsIterator() = default;
};

class IParameters : public IObject {
 public:
  virtual ResultCode GetFreeArguments(ICollection** arguments) = 0;
  virtual ResultCode HasOption(const char* name, bool* present) = 0;
  virtual ResultCode HasOptionValue(const char* name, bool* hasValue) = 0;
  virtual ResultCode GetOptionValue(const char* name, IString** value) = 0;
#if defined(_WIN32)
  // The module follows Microsoft's convention for a member returning a class (`this`, then
  // the result's address, which comes back); GCC for Windows would pass the two the other
  // way round, so this host spells the convention out.
  virtual ObjectPtr<IOptionsIterator>* GetOptionsIterator(ObjectPtr<IOptionsIterator>* result) = 0;
#else
  virtual ObjectPtr<IOptionsIterator> GetOptionsIterator() = 0;
#endif
  virtual ResultCode CreateOptionsIterator(IOptionsIterator** iterator) = 0;

 protected:
  ~IParameters() = default;
};

class IParser : public IObject {
 public:
  virtual ResultCode Parse(std::int32_t argc, const char* const* argv) = 0;
  virtual ResultCode GetParameters(IParameters** out) = 0;

 protected:
  ~IParser() = default;
};

class IImportsContainer : public IObject {
 public:
  virtual ResultCode SetImport(const char* property, kel::IObjectBase* object) = 0;
  virtual ResultCode Reserved1() = 0;
  virtual ResultCode Reserved2() = 0;
  virtual ResultCode ClearImports() = 0;

 protected:
  ~IImportsContainer() = default;
};

}  // namespace kel::testing::position

namespace kel::testing {
namespace {

using host::HostObserver;
using host::PlainHostObject;
using ::testing::ElementsAre;

class ByPositionTest : public PluginHostTest {
 protected:
  // The interface answering `contract`, seen through the host's declaration `I`, with the
  // reference the query handed out.
  template <class I>
  ObjectPtr<I> Query(IObjectBase* object, ContractId contract) {
    void* out = nullptr;
    EXPECT_EQ(object->QueryInterface(contract, &out), result::kOk) << contract;
    return ObjectPtr<I>(AdoptRef(static_cast<I*>(out)));
  }
};

TEST_F(ByPositionTest, PluginAnswersAtEveryPositionOfItsThreeInterfaces) {
  auto plugin = Query<position::IPlugin>(plugin_.Get(), IPlugin::kContractId);
  auto parser = Query<position::IParser>(plugin_.Get(), ICommandLineParametersParser::kContractId);
  auto imports = Query<position::IImportsContainer>(plugin_.Get(), IImportsContainer::kContractId);
  ASSERT_TRUE(plugin && parser && imports);

  // kel::IObject's ten, through the plug-in's first interface.
  EXPECT_EQ(plugin->GetRefCount(), 7u) << "the module's, the fixture's three, these three";
  EXPECT_EQ(plugin->AddRef(), 8u);
  EXPECT_EQ(plugin->Release(), 7u);
  EXPECT_FALSE(plugin->IsUnique());
  void* out = Sentinel<void>();
  EXPECT_EQ(plugin->GetInterface(IImportsContainer::kContractId, &out), result::kOk);
  EXPECT_EQ(out, Address(imports_.Get()));
  EXPECT_EQ(static_cast<IObjectBase*>(out)->Release(), 7u);
  out = Sentinel<void>();
  EXPECT_EQ(plugin->QueryInterface(ICommandLineParametersParser::kContractId, &out), result::kOk);
  EXPECT_EQ(out, Address(parser_.Get()));
  EXPECT_EQ(static_cast<IObjectBase*>(out)->Release(), 7u);
  EXPECT_EQ(plugin->GetThreadId(), host::CurrentThreadId());
  EXPECT_EQ(plugin->SetThreadId(5), result::kOk);
  EXPECT_EQ(parser->GetThreadId(), 5u);
  EXPECT_EQ(imports->SetThreadId(6), result::kOk);
  EXPECT_EQ(plugin->GetThreadId(), 6u);
  EXPECT_EQ(plugin->PluginHook(nullptr), result::kOk);

  // The parser's two: nothing to get before the first Parse, -4 for a null out after it.
  position::IParameters* none = Sentinel<position::IParameters>();
  EXPECT_EQ(parser->GetParameters(&none), result::kNothingToActOn);
  const char* const argv[] = {"prog", "--v=1", nullptr};
  EXPECT_EQ(parser->Parse(2, argv), result::kOk);
  EXPECT_EQ(parser->GetParameters(nullptr), result::kNullObjectOut);
  position::IParameters* parameters = nullptr;
  ASSERT_EQ(parser->GetParameters(&parameters), result::kOk);
  ASSERT_NE(parameters, nullptr);
  EXPECT_EQ(parameters->GetRefCount(), 2u);
  EXPECT_EQ(parameters->Release(), 1u);

  // The container's four, told apart by what they do to an injected object's count.
  auto probe = PlainHostObject::Create();
  EXPECT_EQ(imports->SetImport("Probe", probe.Get()), result::kOk);
  EXPECT_EQ(probe->PeekRefCount(), 2u);
  EXPECT_EQ(imports->Reserved1(), result::kOk);
  EXPECT_EQ(imports->Reserved2(), result::kOk);
  EXPECT_EQ(probe->PeekRefCount(), 2u);
  EXPECT_EQ(imports->ClearImports(), result::kOk);
  EXPECT_EQ(probe->PeekRefCount(), 1u);
  EXPECT_EQ(stringsProxy_->PeekRefCount(), 1u);
  InjectStandardImports();

  // Observers through the plug-in's first interface: added, removed, added again; the one
  // registration left hears the plug-in go.
  HostObserver* const observer = NewObserver();
  plugin->AddObserver(observer, reinterpret_cast<void*>(std::uintptr_t{1}));
  plugin->RemoveObserver(observer);
  plugin->AddObserver(observer, reinterpret_cast<void*>(std::uintptr_t{2}));
  plugin.Reset();
  parser.Reset();
  imports.Reset();
  EXPECT_EQ(ReleasePluginAndUnload(), Line("PlugDLL deleted"));
  ASSERT_EQ(observer->NotifyCalls(), 1u);
  EXPECT_EQ(observer->Notices()[0].cookie, reinterpret_cast<void*>(std::uintptr_t{2}));
}

TEST_F(ByPositionTest, ResultAndIteratorAnswerAtEveryPosition) {
  const auto parser =
      Query<position::IParser>(plugin_.Get(), ICommandLineParametersParser::kContractId);
  ASSERT_TRUE(parser);
  const char* const argv[] = {"prog", "--v=1", "--e", "free", nullptr};
  ASSERT_EQ(parser->Parse(4, argv), result::kOk);
  position::IParameters* raw = nullptr;
  ASSERT_EQ(parser->GetParameters(&raw), result::kOk);
  ObjectPtr<position::IParameters> parameters(AdoptRef(raw));
  ASSERT_TRUE(parameters);

  ObjectPtr<ICollection> freeArguments;
  EXPECT_EQ(parameters->GetFreeArguments(freeArguments.Put()), result::kOk);
  ASSERT_TRUE(freeArguments);
  EXPECT_THAT(TextsOf(freeArguments.Get()), ElementsAre("free"));
  FlagOut flag;
  EXPECT_EQ(parameters->HasOption("absent", flag.Out()), result::kOk);
  EXPECT_EQ(flag.Byte(), 0u);
  flag.Reset();
  EXPECT_EQ(parameters->HasOptionValue("absent", flag.Out()), result::kNotFound);
  EXPECT_TRUE(flag.Untouched());
  EXPECT_EQ(parameters->HasOptionValue("e", flag.Out()), result::kOk);
  EXPECT_EQ(flag.Byte(), 0u);
  ObjectPtr<IString> value;
  EXPECT_EQ(parameters->GetOptionValue("v", value.Put()), result::kOk);
  ASSERT_TRUE(value);
  EXPECT_EQ(TextOf(value.Get()), "1");
  EXPECT_EQ(parameters->CreateOptionsIterator(nullptr), result::kNullObjectOut);

#if defined(_WIN32)
  ObjectPtr<position::IOptionsIterator> iterator;
  EXPECT_EQ(parameters->GetOptionsIterator(&iterator), &iterator);  // replaces the empty handle
#else
  ObjectPtr<position::IOptionsIterator> iterator = parameters->GetOptionsIterator();
#endif
  ASSERT_TRUE(iterator);
  EXPECT_EQ(iterator->GetRefCount(), 1u);
  EXPECT_TRUE(iterator->IsUnique());
  EXPECT_FALSE(iterator->IsEnd());
  EXPECT_STREQ(iterator->GetName(), "e");
  flag.Reset();
  EXPECT_EQ(iterator->HasValue(flag.Out()), result::kOk);
  EXPECT_EQ(flag.Byte(), 0u);
  IString* text = Sentinel<IString>();
  EXPECT_EQ(iterator->GetValue(&text), result::kNotFound);
  EXPECT_EQ(iterator->Next(), result::kOk);
  EXPECT_STREQ(iterator->GetName(), "v");
  ObjectPtr<IString> iterated;
  EXPECT_EQ(iterator->GetValue(iterated.Put()), result::kOk);
  ASSERT_TRUE(iterated);
  EXPECT_EQ(TextOf(iterated.Get()), "1");
  EXPECT_EQ(iterator->Next(), result::kOk);
  EXPECT_TRUE(iterator->IsEnd());
  EXPECT_EQ(iterator->Next(), result::kNothingToActOn);

  position::IOptionsIterator* created = nullptr;
  ASSERT_EQ(parameters->CreateOptionsIterator(&created), result::kOk);
  ASSERT_NE(created, nullptr);
  EXPECT_STREQ(created->GetName(), "e");
  void* base = nullptr;
  EXPECT_EQ(created->GetInterface(IObjectBase::kContractId, &base), result::kOk);
  EXPECT_EQ(base, static_cast<void*>(created));
  EXPECT_EQ(created->AddRef(), 3u);
  EXPECT_EQ(created->Release(), 2u);
  EXPECT_EQ(created->Release(), 1u);
  EXPECT_EQ(created->QueryInterface(IObject::kContractId, &base), result::kNoInterface);
  EXPECT_EQ(created->Release(), 0u);

  // kel::IObject's positions on the result: two registrations of one observer, the oldest
  // removed, the other notified when the host's reference, now the last, goes.
  EXPECT_EQ(parameters->SetThreadId(9), result::kOk);
  EXPECT_EQ(parameters->GetThreadId(), 9u);
  HostObserver* const observer = NewObserver();
  parameters->AddObserver(observer, reinterpret_cast<void*>(std::uintptr_t{1}));
  parameters->AddObserver(observer, reinterpret_cast<void*>(std::uintptr_t{2}));
  parameters->RemoveObserver(observer);
  ASSERT_EQ(parser->Parse(1, argv), result::kOk);
  EXPECT_TRUE(parameters->IsUnique());
  parameters.Reset();
  ASSERT_EQ(observer->NotifyCalls(), 1u);
  EXPECT_EQ(observer->Notices()[0].cookie, reinterpret_cast<void*>(std::uintptr_t{2}));
}

}  // namespace
}  // namespace kel::testing
