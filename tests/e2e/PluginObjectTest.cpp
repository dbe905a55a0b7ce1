// The plug-in object as a host meets it in the loaded module: the reference the module keeps,
// the contracts its three interfaces answer, one count and one thread id behind all three,
// PluginHook, and the import table behind kel::IImportsContainer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ModuleHost.h"
#include "kel/host/HostObject.h"
#include "kel/host/LiveObjects.h"
#include "kel/host/PlainHostObject.h"
#include "kel/host/ThreadId.h"

namespace kel::testing {
namespace {

using host::HostExportProxy;
using host::HostStringFactory;
using host::LiveObjects;
using host::ObjectKind;
using host::Operation;
using host::PlainHostObject;

class PluginBeforeUseTest : public ModuleHostTest {};
class PluginObjectTest : public PluginHostTest {};

// Right after load the module holds the only reference; GetExport adds one per call and
// nothing when it fails.
TEST_F(PluginBeforeUseTest, ModuleHoldsTheOnlyReferenceUntilTheHostAsks) {
  IObjectBase* first = Sentinel<IObjectBase>();
  ASSERT_EQ(getExport_(kPluginExportId, &first), result::kOk);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetRefCount(), 2u) << "the module's reference and the host's";

  IObjectBase* second = nullptr;
  ASSERT_EQ(getExport_(kPluginExportId, &second), result::kOk);
  EXPECT_EQ(second, first);
  EXPECT_EQ(first->GetRefCount(), 3u);

  EXPECT_EQ(getExport_(kPluginExportId, nullptr), result::kNotFound);
  IObjectBase* unnamed = Sentinel<IObjectBase>();
  EXPECT_EQ(getExport_(nullptr, &unnamed), result::kNotFound);
  EXPECT_EQ(unnamed, nullptr) << "a failed lookup clears the out-parameter";
  EXPECT_EQ(first->GetRefCount(), 3u) << "failed lookups take no reference";

  EXPECT_EQ(second->Release(), 2u);
  EXPECT_EQ(first->Release(), 1u) << "the module's own reference remains";
}

enum class Answer { kPlugin, kParser, kImports };

struct AnsweredContract {
  const char* contract;
  Answer answer;
};

// In comparison order; the root contracts are always answered with IPlugin, the identity.
constexpr AnsweredContract kAnswered[] = {
    {"com.velkora.zq.client.IPlugin/1.0", Answer::kPlugin},
    {"com.velkora.general.kel.IObject/1.0", Answer::kPlugin},
    {"com.velkora.general.kel.IObjectBase/1.0", Answer::kPlugin},
    {"com.velkora.zq.ICommandLineParametersParser/1.0", Answer::kParser},
    {"com.velkora.general.kel.IImportsContainer/1.0", Answer::kImports},
};

// Export and manifest names, other objects' contracts and near misses: none is answered.
constexpr const char* kUnanswered[] = {
    "com.velkora.zq.CCommandLineParametersParserPlugin/1.0",
    "com.velkora.zq.PluginContract/1.0",
    "com.velkora.zq.CommandLineParametersParserContract/1.0",
    "com.velkora.zq.ICommandLineParameters/1.0",
    "com.velkora.general.kel.IExportProxy/1.0",
    "com.velkora.general.kel.IStringFactory/1.0",
    "com.velkora.general.kel.singletonlogger/1.0",
    "com.velkora.zq.client.IPlugin/1.1",
    "com.velkora.zq.client.IPlugin/1",
    "com.velkora.zq.client.IPlugin/",
    "com.velkora.zq.client.IPlugin",
    "com.velkora.zq.client.iplugin/1.0",
    "COM.VELKORA.ZQ.CLIENT.IPLUGIN/1.0",
    "com.velkora.zq.client.IPlugin/1.0 ",
    " com.velkora.zq.client.IPlugin/1.0",
    "com.velkora.zq.IPlugin/1.0",
    "com.velkora.general.kel.IObject/1.00",
    "com.velkora.general.kel.IObject",
    "com.velkora.general.kel.IObjectBase/1.0/",
    "com.velkora.general.kel.IObjectBas/1.0",
    "com.velkora.zq.ICommandLineParametersParser/1.1",
    "com.velkora.general.kel.IImportsContainer/1.0\t",
    "IPlugin",
    "",
};

struct Route {
  const char* name;
  IObjectBase* object;
};

TEST_F(PluginObjectTest, EveryInterfaceAnswersTheContractTableTheSameWay) {
  const Route routes[] = {
      {"through IPlugin", plugin_.Get()},
      {"through ICommandLineParametersParser", parser_.Get()},
      {"through IImportsContainer", imports_.Get()},
  };
  const auto expected = [&](Answer answer) -> const void* {
    switch (answer) {
      case Answer::kPlugin:
        return Address(plugin_.Get());
      case Answer::kParser:
        return Address(parser_.Get());
      case Answer::kImports:
        return Address(imports_.Get());
    }
    return nullptr;
  };
  const RefCount atRest = PluginCount();
  for (const Route& route : routes) {
    for (const QueryRoute& query : kQueryRoutes) {
      for (const AnsweredContract& row : kAnswered) {
        SCOPED_TRACE(::testing::Message()
                     << route.name << ", " << query.name << ", " << row.contract);
        void* out = Sentinel<void>();
        ASSERT_EQ((route.object->*query.operation)(row.contract, &out), result::kOk);
        EXPECT_EQ(out, expected(row.answer));
        EXPECT_EQ(PluginCount(), atRest + 1) << "one reference for the caller";
        EXPECT_EQ(static_cast<IObjectBase*>(out)->Release(), atRest);

        EXPECT_EQ((route.object->*query.operation)(row.contract, nullptr), result::kNoInterface)
            << "a null out-parameter is no match";
        EXPECT_EQ(PluginCount(), atRest);
      }
    }
  }
}

TEST_F(PluginObjectTest, ContractsNotInTheTableAreRefusedWithoutAWrite) {
  const Route routes[] = {
      {"through IPlugin", plugin_.Get()},
      {"through ICommandLineParametersParser", parser_.Get()},
      {"through IImportsContainer", imports_.Get()},
  };
  const RefCount atRest = PluginCount();
  for (const Route& route : routes) {
    for (const QueryRoute& query : kQueryRoutes) {
      for (const char* contract : kUnanswered) {
        SCOPED_TRACE(::testing::Message()
                     << route.name << ", " << query.name << ", '" << contract << "'");
        ExpectRefused(route.object, query.operation, contract);
        EXPECT_EQ(PluginCount(), atRest);
      }
    }
  }
}

// A reference taken through one interface is visible and can be given back through any
// other: there is one count.
TEST_F(PluginObjectTest, OneCountBehindAllThreeInterfaces) {
  const RefCount atRest = plugin_->GetRefCount();
  EXPECT_EQ(atRest, 4u) << "the module's reference and the fixture's three";
  EXPECT_EQ(parser_->GetRefCount(), atRest);
  EXPECT_EQ(imports_->GetRefCount(), atRest);

  EXPECT_EQ(parser_->AddRef(), atRest + 1);
  EXPECT_EQ(plugin_->GetRefCount(), atRest + 1);
  EXPECT_EQ(imports_->AddRef(), atRest + 2);
  EXPECT_EQ(parser_->GetRefCount(), atRest + 2);
  EXPECT_EQ(plugin_->Release(), atRest + 1);
  EXPECT_EQ(imports_->GetRefCount(), atRest + 1);
  EXPECT_EQ(imports_->Release(), atRest);
  for (IObject* object :
       {static_cast<IObject*>(plugin_.Get()), static_cast<IObject*>(parser_.Get()),
        static_cast<IObject*>(imports_.Get())}) {
    EXPECT_FALSE(object->IsUnique()) << "the module and the host both hold it";
    EXPECT_EQ(object->GetRefCount(), atRest);
  }
}

TEST_F(PluginObjectTest, ThreadIdIsTheLoadingThreadsUntilReplaced) {
  const ThreadId loader = host::CurrentThreadId();
  const std::vector<IObject*> interfaces = {plugin_.Get(), parser_.Get(), imports_.Get()};
  for (IObject* object : interfaces) EXPECT_EQ(object->GetThreadId(), loader);

  EXPECT_EQ(parser_->SetThreadId(0), result::kOk);
  for (IObject* object : interfaces) EXPECT_EQ(object->GetThreadId(), 0u);
  EXPECT_EQ(imports_->SetThreadId(0xFFFFFFFFu), result::kOk);
  for (IObject* object : interfaces) EXPECT_EQ(object->GetThreadId(), 0xFFFFFFFFu);
  EXPECT_EQ(plugin_->SetThreadId(loader + 1), result::kOk);
  for (IObject* object : interfaces) EXPECT_EQ(object->GetThreadId(), loader + 1);
  EXPECT_EQ(PluginCount(), 4u);
}

// The hook reads nothing it is given and changes nothing: not the current result, not a
// count, not the imports.
TEST_F(PluginObjectTest, PluginHookAnswersZeroAndChangesNothing) {
  auto context = PlainHostObject::Create();
  const std::uint32_t contextAddRefs = context->Calls(Operation::AddRef);
  EXPECT_EQ(plugin_->PluginHook(nullptr), result::kOk);
  EXPECT_EQ(plugin_->PluginHook(context.Get()), result::kOk);
  ICommandLineParameters* none = Sentinel<ICommandLineParameters>();
  EXPECT_EQ(parser_->GetParameters(&none), result::kNothingToActOn) << "no result installed";
  EXPECT_EQ(PluginCount(), 4u);

  const ObjectPtr<ICommandLineParameters> parsed = ParseAndGet({"--a=1"});
  ASSERT_TRUE(parsed);
  const RefCount resultCount = parsed->GetRefCount();
  EXPECT_EQ(plugin_->PluginHook(context.Get()), result::kOk);
  EXPECT_EQ(plugin_->PluginHook(nullptr), result::kOk);
  EXPECT_EQ(Current(), parsed) << "the current result stays";
  EXPECT_EQ(parsed->GetRefCount(), resultCount);
  EXPECT_EQ(PluginCount(), 4u);
  EXPECT_EQ(context->PeekRefCount(), 1u);
  EXPECT_EQ(context->CallsBesidesCounting(), 0u) << "the hook's argument is not read";
  EXPECT_EQ(context->Calls(Operation::AddRef), contextAddRefs);
  ExpectServicesAtRest();
}

TEST_F(PluginObjectTest, ImportTableHoldsOneReferencePerNameAndResolvesTheLatest) {
  const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--k=v"});
  ASSERT_TRUE(parameters);
  const auto valueMadeBy = [&](HostStringFactory& factory) {
    const std::uint32_t before = factory.CreateStringCalls();
    ObjectPtr<IString> value;
    EXPECT_EQ(parameters->GetOptionValue("k", value.Put()), result::kOk);
    return value && TextOf(value.Get()) == "v" && factory.CreateStringCalls() == before + 1;
  };

  EXPECT_EQ(imports_->Reserved1(), result::kOk);
  EXPECT_EQ(imports_->Reserved2(), result::kOk);
  ExpectServicesAtRest();
  EXPECT_TRUE(valueMadeBy(*strings_)) << "the reserved operations changed the table";

  // The stored proxy again: its new reference is taken before the old one goes.
  EXPECT_EQ(imports_->SetImport("StringFactory", stringsProxy_.Get()), result::kOk);
  ExpectServicesAtRest();
  EXPECT_TRUE(valueMadeBy(*strings_));

  // A second proxy under the name: the first is given back once, the second is used.
  auto otherFactory = HostStringFactory::Create();
  auto otherProxy = HostExportProxy::Create(ObjectPtr<IObjectBase>(otherFactory.Get()));
  EXPECT_EQ(imports_->SetImport("StringFactory", otherProxy.Get()), result::kOk);
  EXPECT_EQ(stringsProxy_->PeekRefCount(), 1u);
  EXPECT_EQ(otherProxy->PeekRefCount(), 2u);
  EXPECT_TRUE(valueMadeBy(*otherFactory));
  EXPECT_EQ(strings_->CreateStringCalls(), 2u) << "the replaced factory is not asked again";

  // Any name is accepted and its object only held.
  auto unrelated = PlainHostObject::Create();
  EXPECT_EQ(imports_->SetImport("Unrelated", unrelated.Get()), result::kOk);
  EXPECT_EQ(unrelated->PeekRefCount(), 2u);

  // Storing again the object whose only reference the table holds never destroys it.
  host::HostObserver* const soleEnd = NewObserver();
  PlainHostObject* sole = nullptr;
  {
    auto created = PlainHostObject::Create();
    EXPECT_EQ(imports_->SetImport("Sole", created.Get()), result::kOk);
    created->AddObserver(soleEnd, nullptr);
    sole = created.Get();
  }
  EXPECT_EQ(imports_->SetImport("Sole", sole), result::kOk);
  EXPECT_EQ(soleEnd->NotifyCalls(), 0u) << "destroyed by being stored again";

  EXPECT_EQ(imports_->ClearImports(), result::kOk);
  for (const auto* proxy :
       {loggerProxy_.Get(), stringsProxy_.Get(), collectionsProxy_.Get(), otherProxy.Get()}) {
    EXPECT_EQ(proxy->PeekRefCount(), 1u) << proxy->TraceName() << " given back by ClearImports";
  }
  EXPECT_EQ(unrelated->PeekRefCount(), 1u);
  EXPECT_EQ(unrelated->CallsBesidesCounting(), 0u);
  EXPECT_EQ(soleEnd->NotifyCalls(), 1u) << "ClearImports gave back the table's only reference";
  EXPECT_EQ(imports_->ClearImports(), result::kOk) << "on an empty table";

  IString* value = Sentinel<IString>();
  EXPECT_EQ(parameters->GetOptionValue("k", &value), result::kOk);
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(TakeStdout(), Line(NoEntryLine("StringFactory")));

  InjectStandardImports();
  ExpectServicesAtRest();
  EXPECT_TRUE(valueMadeBy(*strings_)) << "a failed resolution is not remembered";
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 0u);
}

}  // namespace
}  // namespace kel::testing
