// What each host service does beyond the object model: contents, references held and
// handed out, failure injection, accounting and tracing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "NothingAlive.h"
#include "kel/host/HostCollection.h"
#include "kel/host/HostExportProxy.h"
#include "kel/host/HostFactories.h"
#include "kel/host/HostLogger.h"
#include "kel/host/HostObserver.h"
#include "kel/host/HostString.h"
#include "kel/host/LiveObjects.h"
#include "kel/host/PlainHostObject.h"

namespace kel::host::testing {
namespace {

using ::testing::ElementsAre;

using HostServicesTest = NothingAliveTest;

// A value no operation writes: an out-parameter still holding it was left untouched.
template <class T>
T* Sentinel() {
  static int storage;
  return reinterpret_cast<T*>(&storage);
}

TEST_F(HostServicesTest, StringKeepsEveryByte) {
  const std::string texts[] = {"", "plain", std::string("\x80\xff\xc3\xa9 -x", 7),
                               std::string("a\0b", 3)};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    ObjectPtr<HostString> string = HostString::Create(text);
    EXPECT_EQ(string->GetLength(), text.size());
    EXPECT_EQ(std::string(string->GetText(), string->GetLength()), text);
    EXPECT_EQ(string->GetText()[text.size()], '\0');
    EXPECT_EQ(string->Calls(Operation::Own), 4u);
  }
}

TEST_F(HostServicesTest, CollectionKeepsItemsInOrderWithReferencesOfItsOwn) {
  ObjectPtr<HostString> a = HostString::Create("a");
  ObjectPtr<HostString> b = HostString::Create("b");
  ObjectPtr<HostCollection> collection = HostCollection::Create();
  EXPECT_EQ(collection->Add(b.Get()), result::kOk);
  EXPECT_EQ(collection->Add(nullptr), result::kOk);
  EXPECT_EQ(collection->Add(a.Get()), result::kOk);
  EXPECT_EQ(collection->Add(b.Get()), result::kOk);
  EXPECT_EQ(collection->GetCount(), 4u);
  EXPECT_EQ(a->GetRefCount(), 2u);
  EXPECT_EQ(b->GetRefCount(), 3u);
  EXPECT_THAT(collection->Items(), ElementsAre(b.Get(), nullptr, a.Get(), b.Get()));
  EXPECT_THAT(collection->Texts(), ElementsAre("b", std::nullopt, "a", "b"));

  IString* item = nullptr;
  ASSERT_EQ(collection->GetItem(2, &item), result::kOk);
  EXPECT_EQ(item, a.Get());
  EXPECT_EQ(a->GetRefCount(), 3u);
  item->Release();
  item = Sentinel<IString>();
  EXPECT_EQ(collection->GetItem(1, &item), result::kOk);
  EXPECT_EQ(item, nullptr);
  item = Sentinel<IString>();
  EXPECT_EQ(collection->GetItem(4, &item), result::kNotFound);
  EXPECT_EQ(item, Sentinel<IString>());
  EXPECT_EQ(collection->GetItem(0, nullptr), result::kNullObjectOut);
  EXPECT_EQ(collection->AddCalls(), 4u);
  EXPECT_EQ(collection->GetItemCalls(), 4u);
  EXPECT_EQ(collection->GetCountCalls(), 1u);

  collection.Reset();
  EXPECT_EQ(a->GetRefCount(), 1u);
  EXPECT_EQ(b->GetRefCount(), 1u);
}

TEST_F(HostServicesTest, StringFactoryMakesCopiesWithOneReferenceForTheCaller) {
  ObjectPtr<HostStringFactory> factory = HostStringFactory::Create();
  std::string text = "value\xe4";
  IString* made = nullptr;
  ASSERT_EQ(factory->CreateString(text.c_str(), &made), result::kOk);
  ObjectPtr<IString> string = AdoptRef(made);
  text[0] = 'X';
  EXPECT_STREQ(string->GetText(), "value\xe4");
  EXPECT_EQ(string->GetRefCount(), 1u);
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 1u);
}

TEST_F(HostServicesTest, StringFactoryFailuresWriteNothingAndMakeNothing) {
  struct Row {
    const char* name;
    bool fail;
    const char* text;
    bool nullOut;
    ResultCode expected;
  };
  const Row rows[] = {
      {"injected failure", true, "t", false, kInjectedFailure},
      {"injected failure beats null out", true, "t", true, kInjectedFailure},
      {"null out", false, "t", true, result::kNullObjectOut},
      {"null text", false, nullptr, false, result::kNothingToActOn},
  };
  ObjectPtr<HostStringFactory> factory = HostStringFactory::Create();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    factory->FailCreateString(row.fail);
    IString* out = nullptr;
    EXPECT_EQ(factory->CreateString(row.text, row.nullOut ? nullptr : &out), row.expected);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 0u);
  }
  EXPECT_EQ(factory->CreateStringCalls(), 4u);
  EXPECT_THAT(factory->RequestedTexts(), ElementsAre("t", "t", "t"));
  EXPECT_EQ(factory->Calls(Operation::Own), 4u);
}

TEST_F(HostServicesTest, CollectionFactoryModes) {
  struct Row {
    const char* name;
    ResultCode failure;
    bool withNull;
    ResultCode success;
    ResultCode expected;
    enum { kUntouched, kNull, kCollection } written;
  };
  const Row rows[] = {
      {"plain success", 0, false, 0, 0, Row::kCollection},
      {"positive success code", 0, false, 2, 2, Row::kCollection},
      {"success with null", 0, true, 0, 0, Row::kNull},
      {"failure code passed on", -1234, false, 0, -1234, Row::kUntouched},
      {"failure beats null", -5, true, 0, -5, Row::kUntouched},
  };
  ObjectPtr<HostCollectionFactory> factory = HostCollectionFactory::Create();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    factory->FailCreateCollection(row.failure);
    factory->SucceedWithNull(row.withNull);
    factory->SetSuccessCode(row.success);
    ICollection* out = Sentinel<ICollection>();
    EXPECT_EQ(factory->CreateCollection(&out), row.expected);
    switch (row.written) {
      case Row::kUntouched:
        EXPECT_EQ(out, Sentinel<ICollection>());
        break;
      case Row::kNull:
        EXPECT_EQ(out, nullptr);
        break;
      case Row::kCollection:
        ASSERT_NE(out, Sentinel<ICollection>());
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->GetCount(), 0u);
        EXPECT_EQ(out->Release(), 0u);
        break;
    }
    EXPECT_EQ(LiveObjects::Count(ObjectKind::Collection), 0u);
  }
  factory->FailCreateCollection(0);
  EXPECT_EQ(factory->CreateCollection(nullptr), result::kNullObjectOut);
  EXPECT_EQ(factory->CreateCollectionCalls(), 6u);
}

TEST_F(HostServicesTest, ExportProxyHandsOutItsObjectAndOwnsOneReference) {
  ObjectPtr<PlainHostObject> exported = PlainHostObject::Create();
  ObjectPtr<HostExportProxy> proxy = HostExportProxy::Create(exported);
  EXPECT_EQ(exported->GetRefCount(), 2u);
  EXPECT_EQ(proxy->Exported(), exported->Identity());

  IObjectBase* out = nullptr;
  EXPECT_EQ(proxy->GetExportedObject(&out), result::kOk);
  EXPECT_EQ(out, exported->Identity());
  EXPECT_EQ(exported->GetRefCount(), 3u);
  out->Release();

  proxy->YieldNothing(true);
  proxy->ReturnCode(-9);
  out = nullptr;
  EXPECT_EQ(proxy->GetExportedObject(&out), -9);
  EXPECT_EQ(out, nullptr);
  proxy->YieldNothing(false);
  EXPECT_EQ(proxy->GetExportedObject(&out), -9);  // the code does not stop the hand-over
  EXPECT_EQ(out, exported->Identity());
  out->Release();
  EXPECT_EQ(proxy->GetExportedObject(nullptr), result::kNullObjectOut);
  EXPECT_EQ(proxy->GetExportedObjectCalls(), 4u);
  EXPECT_EQ(exported->Calls(Operation::Own), 0u);

  proxy.Reset();
  EXPECT_EQ(exported->GetRefCount(), 1u);
}

TEST_F(HostServicesTest, ExportProxyWithoutObjectLeavesTheOutParameter) {
  ObjectPtr<HostExportProxy> proxy = HostExportProxy::Create();
  IObjectBase* out = Sentinel<IObjectBase>();
  EXPECT_EQ(proxy->GetExportedObject(&out), result::kOk);
  EXPECT_EQ(out, Sentinel<IObjectBase>());
}

TEST_F(HostServicesTest, LoggerCountsEveryCallButAddRefAndRelease) {
  ObjectPtr<HostLogger> logger = HostLogger::Create();
  ObjectPtr<HostLogger> second = logger;
  second.Reset();
  EXPECT_EQ(logger->CallsBesidesCounting(), 0u);
  EXPECT_EQ(logger->Log("first"), result::kOk);
  EXPECT_EQ(logger->Log(nullptr), result::kNothingToActOn);
  EXPECT_EQ(logger->Log("second"), result::kOk);
  EXPECT_THAT(logger->Lines(), ElementsAre("first", "second"));
  EXPECT_EQ(logger->LogCalls(), 3u);
  EXPECT_EQ(logger->CallsBesidesCounting(), 3u);
}

TEST_F(HostServicesTest, ObserverRecordsNoticesBeforeItsCallbackRuns) {
  std::vector<std::size_t> recordedWhenCalled;
  ObjectPtr<HostObserver> observer;
  observer = HostObserver::Create([&](const Notice& notice) {
    recordedWhenCalled.push_back(observer->Notices().size());
    EXPECT_EQ(notice, observer->Notices().back());
  });
  int cookie = 0;
  int data = 0;
  EXPECT_EQ(observer->Notify(&cookie, "c/1.0", "E", &data, &cookie), result::kOk);
  EXPECT_EQ(observer->Notify(nullptr, nullptr, nullptr, nullptr, nullptr), result::kOk);
  EXPECT_THAT(observer->Notices(),
              ElementsAre(Notice{&cookie, "c/1.0", "E", &data, &cookie},
                          Notice{nullptr, "(null)", "(null)", nullptr, nullptr}));
  EXPECT_THAT(recordedWhenCalled, ElementsAre(1u, 2u));
}

TEST_F(HostServicesTest, DescribeListsLiveKindsInDeclarationOrder) {
  EXPECT_EQ(LiveObjects::Describe(), "");
  ObjectPtr<HostCollection> collection = HostCollection::Create();
  ObjectPtr<HostString> a = HostString::Create("a");
  ObjectPtr<HostString> b = HostString::Create("b");
  EXPECT_EQ(LiveObjects::Describe(), "String: 2, Collection: 1");
  EXPECT_EQ(LiveObjects::Total(), 3u);
  collection->Add(a.Get());
  a.Reset();
  collection.Reset();
  EXPECT_EQ(LiveObjects::Describe(), "String: 1");
}

TEST_F(HostServicesTest, TraceHasOneLinePerAddRefAndRelease) {
  std::vector<std::string> lines;
  LiveObjects::SetTraceSink([&lines](std::string_view line) { lines.emplace_back(line); });
  {
    ObjectPtr<HostString> string = HostString::Create("s");
    const std::string s = string->TraceName();
    EXPECT_EQ(s, "String#" + std::to_string(LiveObjects::Created(ObjectKind::String)));
    ObjectPtr<HostCollection> collection = HostCollection::Create();
    const std::string c = collection->TraceName();
    collection->Add(string.Get());
    string.Reset();
    collection.Reset();  // gives back the item before its own line
    LiveObjects::SetTraceSink(nullptr);
    EXPECT_THAT(lines, ElementsAre("AddRef " + s + " -> 1", "AddRef " + c + " -> 1",
                                   "AddRef " + s + " -> 2", "Release " + s + " -> 1",
                                   "Release " + s + " -> 0 (destroyed)",
                                   "Release " + c + " -> 0 (destroyed)"));
  }
  const std::size_t linesWhenOff = lines.size();
  ObjectPtr<HostString> untraced = HostString::Create("untraced");
  untraced.Reset();
  EXPECT_EQ(lines.size(), linesWhenOff);
}

// References taken and given back on several threads: the count ends where it started,
// exactly one Release sees 0, and accounting matches.
TEST_F(HostServicesTest, CountingIsSafeAcrossThreads) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  ObjectPtr<HostStringFactory> factory = HostStringFactory::Create();
  HostStringFactory* shared = factory.Get();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    shared->AddRef();  // the thread's own reference, given back at its end
    threads.emplace_back([shared] {
      for (int i = 0; i < kRounds; ++i) {
        shared->AddRef();
        IString* string = nullptr;
        shared->CreateString("x", &string);
        string->Release();
        shared->Release();
      }
      shared->Release();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(factory->GetRefCount(), 1u);
  EXPECT_EQ(factory->CreateStringCalls(), static_cast<std::uint32_t>(kThreads * kRounds));
  EXPECT_EQ(LiveObjects::Count(ObjectKind::String), 0u);
  EXPECT_EQ(factory.Detach()->Release(), 0u);
}

}  // namespace
}  // namespace kel::host::testing
