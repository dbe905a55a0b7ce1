// Destruction observers on the plug-in and on parse results, and the order in which the
// module's objects end: at unload the registry's line, then the current result, then the
// plug-in, whose imports are given back only after its observers have heard of it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "ModuleHost.h"
#include "kel/host/HostObject.h"
#include "kel/host/HostObserver.h"

namespace kel::testing {
namespace {

using host::HostObserver;
using host::Notice;
using host::Operation;
using ::testing::Each;
using ::testing::ElementsAre;

constexpr char kObjectContract[] = "com.velkora.general.kel.IObject/1.0";
constexpr std::uintptr_t kWideCookie = 0x123456789ABCDEF0u;

void* Cookie(std::uintptr_t value) {
  return reinterpret_cast<void*>(value);
}

// "observer: <label> <event> cookie=<cookie in decimal>"
std::string NoticeLine(const std::string& label, std::uintptr_t cookie) {
  return Line("observer: " + label + " Destroyed cookie=" + std::to_string(cookie));
}

class ObserversTest : public PluginHostTest {
 protected:
  // An observer that prints one line of its own for every notice, through the standard
  // output the module writes to, and notes how many references each injected proxy had
  // when the notice came.
  HostObserver* PrintingObserver(const std::string& label) {
    return NewObserver([this, label](const Notice& notice) {
      const std::string line = "observer: " + label + " " + notice.event + " cookie=" +
                               std::to_string(reinterpret_cast<std::uintptr_t>(notice.cookie));
      std::printf("%s\n", line.c_str());
      std::fflush(stdout);
      if (!loggerProxy_) return;
      proxyCountsAtNotice_.push_back(loggerProxy_->PeekRefCount());
      proxyCountsAtNotice_.push_back(stringsProxy_->PeekRefCount());
      proxyCountsAtNotice_.push_back(collectionsProxy_->PeekRefCount());
    });
  }

  // Registration and notice neither take nor give back a reference, and Notify is all the
  // module calls.
  static void ExpectOnlyNotified(std::initializer_list<const HostObserver*> observers) {
    for (const HostObserver* observer : observers) {
      EXPECT_EQ(observer->PeekRefCount(), 1u) << "the fixture's";
      EXPECT_EQ(observer->Calls(Operation::AddRef), 1u) << "the creating handle's alone";
      EXPECT_EQ(observer->Calls(Operation::Release), 0u);
      EXPECT_EQ(observer->CallsBesidesCounting(), observer->NotifyCalls());
    }
  }

  // A result that only the host holds: parsed, then replaced by another Parse.
  ObjectPtr<ICommandLineParameters> HostOnlyResult(const std::vector<std::string>& arguments) {
    ObjectPtr<ICommandLineParameters> parameters = ParseAndGet(arguments);
    EXPECT_EQ(Parse({}), result::kOk);
    EXPECT_TRUE(parameters && parameters->IsUnique());
    return parameters;
  }

  std::vector<RefCount> proxyCountsAtNotice_;
};

TEST_F(ObserversTest, UnloadNotifiesTheCurrentResultThenThePluginInRegistrationOrder) {
  HostObserver* const first = PrintingObserver("first");
  HostObserver* const second = PrintingObserver("second");
  HostObserver* const results = PrintingObserver("parameters");
  {
    const ObjectPtr<ICommandLineParameters> parameters = ParseAndGet({"--a=1", "free"});
    ASSERT_TRUE(parameters);
    parameters->AddObserver(results, Cookie(4));
  }
  // One observer list behind the three interfaces.
  plugin_->AddObserver(first, Cookie(1));
  parser_->AddObserver(second, Cookie(2));
  imports_->AddObserver(first, Cookie(3));
  EXPECT_EQ(PluginCount(), 4u);

  const std::string printed = ReleasePluginAndUnload();
  EXPECT_EQ(printed, Line("PlugDLL deleted") + NoticeLine("parameters", 4) +
                         NoticeLine("first", 1) + NoticeLine("second", 2) + NoticeLine("first", 3));

  ASSERT_EQ(first->Notices().size(), 2u);
  ASSERT_EQ(results->Notices().size(), 1u);
  const void* plugin = first->Notices()[0].sender;
  const void* parameters = results->Notices()[0].sender;
  EXPECT_NE(plugin, nullptr);
  EXPECT_NE(parameters, nullptr);
  EXPECT_NE(plugin, parameters);
  EXPECT_THAT(first->Notices(),
              ElementsAre(Notice{plugin, kObjectContract, "Destroyed", nullptr, Cookie(1)},
                          Notice{plugin, kObjectContract, "Destroyed", nullptr, Cookie(3)}));
  EXPECT_THAT(second->Notices(),
              ElementsAre(Notice{plugin, kObjectContract, "Destroyed", nullptr, Cookie(2)}));
  EXPECT_THAT(results->Notices(),
              ElementsAre(Notice{parameters, kObjectContract, "Destroyed", nullptr, Cookie(4)}));

  // The imports were still held while the notices went out, and given back afterwards.
  EXPECT_EQ(proxyCountsAtNotice_.size(), 4u * 3u);
  EXPECT_THAT(proxyCountsAtNotice_, Each(2u));
  EXPECT_EQ(loggerProxy_->PeekRefCount(), 1u);
  EXPECT_EQ(stringsProxy_->PeekRefCount(), 1u);
  EXPECT_EQ(collectionsProxy_->PeekRefCount(), 1u);
  ExpectOnlyNotified({first, second, results});
}

// While the module unloads, the plug-in's observers can still call what they hold: the
// module is gone for them. GetExport finds nothing and sets nothing up again, and a result
// the host holds finds no string factory, printing nothing.
TEST_F(ObserversTest, UnloadIsFinalForCallsFromInsideTheNotice) {
  ObjectPtr<ICommandLineParameters> held = ParseAndGet({"--a=1"});
  ASSERT_TRUE(held);
  ResultCode lookup = result::kOk;
  IObjectBase* exported = Sentinel<IObjectBase>();
  ResultCode valueResult = result::kNotFound;
  IString* value = Sentinel<IString>();
  HostObserver* const caller = NewObserver([&](const Notice&) {
    lookup = getExport_(kPluginExportId, &exported);
    valueResult = held->GetOptionValue("a", &value);
    held.Reset();  // while the module's code is still there
  });
  plugin_->AddObserver(caller, Cookie(1));

  EXPECT_EQ(ReleasePluginAndUnload(), Line("PlugDLL deleted"));
  EXPECT_EQ(lookup, result::kNotFound);
  EXPECT_EQ(exported, nullptr);
  EXPECT_EQ(valueResult, result::kOk);
  EXPECT_EQ(value, nullptr);
}

// A null observer is refused; RemoveObserver through any interface removes the oldest
// registration of that observer from the one list; removing a stranger changes nothing.
TEST_F(ObserversTest, RemovedAndRefusedRegistrationsOfThePluginHearNothing) {
  HostObserver* const kept = PrintingObserver("kept");
  HostObserver* const removed = PrintingObserver("removed");
  HostObserver* const stranger = NewObserver();
  plugin_->AddObserver(nullptr, Cookie(9));
  plugin_->AddObserver(kept, Cookie(1));
  parser_->AddObserver(kept, Cookie(2));
  imports_->AddObserver(removed, Cookie(3));
  plugin_->RemoveObserver(removed);
  imports_->RemoveObserver(kept);
  parser_->RemoveObserver(stranger);

  EXPECT_EQ(ReleasePluginAndUnload(), Line("PlugDLL deleted") + NoticeLine("kept", 2));
  EXPECT_EQ(removed->NotifyCalls(), 0u);
  EXPECT_EQ(stranger->NotifyCalls(), 0u);
  ExpectOnlyNotified({kept, removed, stranger});
}

TEST_F(ObserversTest, ResultObserversHearTheNoticeOnceInRegistrationOrder) {
  HostObserver* const a = PrintingObserver("a");
  HostObserver* const b = PrintingObserver("b");
  HostObserver* const stranger = NewObserver();

  ObjectPtr<ICommandLineParameters> parameters = HostOnlyResult({"--x=1"});
  ASSERT_TRUE(parameters);
  parameters->AddObserver(a, Cookie(1));
  parameters->AddObserver(nullptr, Cookie(5));
  parameters->AddObserver(b, Cookie(2));
  parameters->AddObserver(a, Cookie(kWideCookie));
  parameters->RemoveObserver(a);  // the oldest: cookie 1
  parameters->RemoveObserver(stranger);
  EXPECT_EQ(a->NotifyCalls() + b->NotifyCalls(), 0u);
  parameters.Reset();
  EXPECT_EQ(TakeStdout(), NoticeLine("b", 2) + NoticeLine("a", kWideCookie));
  ASSERT_EQ(b->Notices().size(), 1u);
  const void* sender = b->Notices()[0].sender;
  EXPECT_THAT(a->Notices(), ElementsAre(Notice{sender, kObjectContract, "Destroyed", nullptr,
                                               Cookie(kWideCookie)}));

  // RemoveObserver with null removes every registration.
  ObjectPtr<ICommandLineParameters> silent = HostOnlyResult({"--y=1"});
  ASSERT_TRUE(silent);
  silent->AddObserver(a, Cookie(1));
  silent->AddObserver(b, Cookie(2));
  silent->RemoveObserver(nullptr);
  silent.Reset();
  EXPECT_EQ(TakeStdout(), "");
  EXPECT_EQ(a->NotifyCalls(), 1u);
  EXPECT_EQ(b->NotifyCalls(), 1u);
  ExpectOnlyNotified({a, b, stranger});
}

// While a notice goes out the object is being destroyed; an observer that calls back into
// its list then (holding a pointer it kept) changes nothing: who was registered hears the
// notice, who would be added does not.
TEST_F(ObserversTest, CallsIntoTheListFromInsideANoticeAreIgnored) {
  struct Meddling {
    const char* name;
    bool removeAll;
  };
  for (const Meddling meddling :
       {Meddling{"adds and removes one", false}, Meddling{"adds and removes all", true}}) {
    SCOPED_TRACE(meddling.name);
    HostObserver* const late = NewObserver();
    HostObserver* const registered = NewObserver();
    ObjectPtr<ICommandLineParameters> parameters = HostOnlyResult({"--x=1"});
    ASSERT_TRUE(parameters);
    ICommandLineParameters* const kept = parameters.Get();
    HostObserver* const meddler =
        NewObserver([kept, late, registered, removeAll = meddling.removeAll](const Notice&) {
          kept->AddObserver(late, Cookie(7));
          kept->RemoveObserver(removeAll ? nullptr : registered);
        });
    parameters->AddObserver(meddler, Cookie(1));
    parameters->AddObserver(registered, Cookie(2));
    parameters.Reset();
    EXPECT_EQ(meddler->NotifyCalls(), 1u);
    EXPECT_EQ(registered->NotifyCalls(), 1u);
    EXPECT_EQ(late->NotifyCalls(), 0u);
  }
}

// The plug-in's reference to a result goes with the next Parse; a host reference keeps the
// result alive and unchanged, and its release is what ends it.
TEST_F(ObserversTest, AResultTheHostHoldsOutlivesThePluginsReference) {
  HostObserver* const observer = PrintingObserver("held");
  ObjectPtr<ICommandLineParameters> held = ParseAndGet({"--k=v", "free", "-f"});
  ASSERT_TRUE(held);
  held->AddObserver(observer, Cookie(1));
  ASSERT_EQ(Parse({"--other=1", "gone"}), result::kOk);
  EXPECT_EQ(observer->NotifyCalls(), 0u);
  EXPECT_EQ(held->GetRefCount(), 1u);
  EXPECT_TRUE(held->IsUnique());

  FlagOut flag;
  EXPECT_EQ(held->HasOption("k", flag.Out()), result::kOk);
  EXPECT_EQ(flag.Byte(), 1u);
  flag.Reset();
  EXPECT_EQ(held->HasOptionValue("f", flag.Out()), result::kOk);
  EXPECT_EQ(flag.Byte(), 0u);
  flag.Reset();
  EXPECT_EQ(held->HasOption("other", flag.Out()), result::kOk);
  EXPECT_EQ(flag.Byte(), 0u);
  ObjectPtr<IString> value;
  ASSERT_EQ(held->GetOptionValue("k", value.Put()), result::kOk);
  ASSERT_TRUE(value);
  EXPECT_EQ(TextOf(value.Get()), "v");
  ObjectPtr<ICollection> freeArguments;
  ASSERT_EQ(held->GetFreeArguments(freeArguments.Put()), result::kOk);
  EXPECT_THAT(TextsOf(freeArguments.Get()), ElementsAre("free"));
  auto iterator = held->GetOptionsIterator();
  ASSERT_TRUE(iterator);
  EXPECT_STREQ(iterator->GetName(), "f");
  EXPECT_EQ(iterator->Next(), result::kOk);
  EXPECT_STREQ(iterator->GetName(), "k");
  EXPECT_EQ(iterator->Next(), result::kOk);
  EXPECT_TRUE(iterator->IsEnd());
  iterator.Reset();
  EXPECT_EQ(TakeStdout(), "");

  held.Reset();
  EXPECT_EQ(TakeStdout(), NoticeLine("held", 1)) << "the host's release ends it";
  ExpectOnlyNotified({observer});
}

}  // namespace
}  // namespace kel::testing
