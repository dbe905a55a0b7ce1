// The object model of the module's objects as a host meets it: what GetExport and each
// interface answer and with which pointer, what they refuse without a write, the counts and
// owner thread ids behind the interfaces, PluginHook, the import table, and destruction
// observers with the notices they hear, at unload in the order the objects end. Last,
// several threads at once on one object, as ThreadSanitizer checks them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "ModuleHost.h"
#include "kel/host/ThreadId.h"

namespace kel::testing {
namespace {

using hostdouble::Observer;

// The interfaces a host holds: the plug-in's three, a result's, an iterator's.
enum Subject { kPlugin, kParser, kImports, kParameters, kIterator, kSubjects };
constexpr int kObjectOf[] = {0, 0, 0, 1, 2};  // the plug-in, the result, the iterator

struct Answer {
  int object;
  const char* contract;
  Subject answer;
};

// Whatever interface is asked; the plug-in's root contracts by IPlugin, its identity. Every
// other contract is refused.
constexpr Answer kAnswers[] = {
    {0, contract::kPlugin, kPlugin},       {0, contract::kObject, kPlugin},
    {0, contract::kObjectBase, kPlugin},   {0, contract::kParser, kParser},
    {0, contract::kImports, kImports},     {1, contract::kParameters, kParameters},
    {1, contract::kObject, kParameters},   {1, contract::kObjectBase, kParameters},
    {2, contract::kObjectBase, kIterator},
};

// Every contract and the export's identifier with their near misses (another version,
// another case, a trailing blank, cut before the version), a contract name of the manifest,
// and nothing.
std::set<std::string> Requests() {
  std::set<std::string> requests = {"com.velkora.zq.PluginContract/1.0", ""};
  for (const std::string id :
       {contract::kObjectBase, contract::kObject, contract::kPlugin, contract::kParser,
        contract::kImports, contract::kParameters, contract::kExportProxy, contract::kStringFactory,
        contract::kCollectionFactory, contract::kPluginExport}) {
    std::string lower = id;
    std::transform(id.begin(), id.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    requests.insert(
        {id, id.substr(0, id.size() - 1) + "1", lower, id + " ", id.substr(0, id.rfind('/'))});
  }
  return requests;
}

class ObjectModelTest : public ModuleHostTest {
 protected:
  // Applies `changes`, each "<interface><+ or -><observer><cookie>": through the plug-in's
  // interface 0 (IPlugin), 1 (ICommandLineParametersParser) or 2 (IImportsContainer), or
  // the only interface of another object, '+' adds the observer with the cookie and '-'
  // removes it. Observers 'a', 'b' and 'c' (new ones) print their notices, 's' is never
  // registered, '0' is null. Returns what the observers will print, given `notices` as
  // "<observer> <cookie>|...". At each notice 'a', 'b' and 'c' note the imports' counts.
  std::string Apply(const char* changes, const char* notices, abi::IObject* const (&through)[3]) {
    observers_.clear();
    for (const char* label : {"a", "b", "c"}) {
      observers_.push_back(ObjectLifetime::Create<Observer>(label, [this] {
        importRefs_.push_back(logger->Count() + stringsProxy->Count() + collectionsProxy->Count());
      }));
    }
    observers_.push_back(ObjectLifetime::Create<Observer>());
    std::istringstream script(changes);
    for (std::string change; script >> change;) {
      abi::IObject* const object = through[change[0] - '0'];
      Observer* const observer =
          change[2] == '0' ? nullptr : observers_[change[2] == 's' ? 3 : change[2] - 'a'].Get();
      if (change[1] == '-') object->RemoveObserver(observer);
      if (change[1] == '+')
        object->AddObserver(observer, reinterpret_cast<void*>(std::stoull(change.substr(3))));
    }
    std::string printed;
    std::istringstream heard(notices);
    for (std::string notice; std::getline(heard, notice, '|');) printed += Line("notice " + notice);
    return printed;
  }

  // Registrations and notices hold no reference; every notice carries the contract
  // "com.velkora.general.kel.IObject/1.0", the event "Destroyed" and null data, and all came
  // from one sender, which is returned (null when nothing was heard).
  const void* CheckNoticesFromOneSender() const {
    const void* sender = nullptr;
    for (const ObjectPtr<Observer>& observer : observers_) {
      EXPECT_EQ(observer->Count(), 1u);
      EXPECT_EQ(observer->malformed, 0);
      for (const auto& [from, cookie] : observer->notices) {
        if (sender == nullptr) sender = from;
        EXPECT_EQ(from, sender);
      }
    }
    return sender;
  }

  std::vector<abi::Count> importRefs_;  // the logger's and the proxies' counts, summed
};

using Base = abi::IObjectBase;
using Id = std::uint32_t;
using Value = std::int64_t;
using Operation = Value (*)(Base*, Id);
constexpr Operation kAddRef = [](Base* o, Id) -> Value { return o->AddRef(); };
constexpr Operation kRelease = [](Base* o, Id) -> Value { return o->Release(); };
constexpr Operation kRefCount = [](Base* o, Id) -> Value { return o->GetRefCount(); };
constexpr Operation kIsUnique = [](Base* o, Id) -> Value { return o->IsUnique(); };
constexpr Operation kThreadId = [](Base* o, Id) -> Value {
  return static_cast<abi::IObject*>(o)->GetThreadId();
};
constexpr Operation kSetThreadId = [](Base* o, Id id) -> Value {
  return static_cast<abi::IObject*>(o)->SetThreadId(id);
};
// Given a pointer that is no object: the hook reads nothing of it.
constexpr Operation kHook = [](Base* o, Id) -> Value {
  return static_cast<abi::IPlugin*>(o)->PluginHook(Sentinel<void>());
};
// Stand-ins for thread ids known only when the test runs.
constexpr Value kLoadingThread = -1, kParsingThread = -2;

struct Step {
  Subject through;
  Operation operation;
  Id argument;
  Value expected;
};

constexpr Step kSteps[] = {
    // One count behind the plug-in's three interfaces, 4 (the module's and the fixture's three)
    // as GetExport's misses left it.
    {kParser, kAddRef, 0, 5},
    {kPlugin, kRelease, 0, 4},
    {kImports, kIsUnique, 0, false},
    // The hook changes no count.
    {kPlugin, kHook, 0, 0},
    {kParser, kRefCount, 0, 4},
    // One owner thread id, the loading thread's until replaced, through any interface.
    {kImports, kThreadId, 0, kLoadingThread},
    {kParser, kSetThreadId, 0xFFFFFFFFu, 0},
    {kPlugin, kThreadId, 0, 0xFFFFFFFFu},
    // The result: the plug-in's reference and the fixture's (2, and so at the end); owned by
    // the thread that parsed.
    {kParameters, kAddRef, 0, 3},
    {kParameters, kRelease, 0, 2},
    {kParameters, kThreadId, 0, kParsingThread},
    {kParameters, kSetThreadId, 7, 0},
    {kParameters, kThreadId, 0, 7},
    {kImports, kThreadId, 0, 0xFFFFFFFFu},
    // The iterator: the fixture's reference alone, and none of the result's.
    {kIterator, kIsUnique, 0, true},
    {kIterator, kAddRef, 0, 2},
    {kIterator, kRelease, 0, 1},
    {kParameters, kRefCount, 0, 2},
};

// An answer writes the answering interface and adds one reference to the object; a refusal,
// and a null out-parameter for any contract, returns -3, writes nothing and changes no
// count. GetInterface answers as QueryInterface does. GetExport finds the plug-in by its
// whole export identifier only; a miss (a null identifier included) clears the
// out-parameter and takes no reference.
// Then the steps: counts and owner thread ids through every interface.
TEST_F(ObjectModelTest, EveryInterfaceAnswersItsContractsCountsAndOwnerThread) {
  abi::Tid parsingThread = 0;
  ObjectPtr<abi::IParameters> parameters;
  std::thread([&] {
    parsingThread = host::CurrentThreadId();
    parameters = ParseAndGet({"--a=1"});
  }).join();
  const ObjectPtr<abi::IOptionsIterator> iterator = abi::OptionsIterator(*parameters);
  abi::IObjectBase* const subjects[] = {plugin_.Get(), parser_.Get(), imports_.Get(),
                                        parameters.Get(), iterator.Get()};
  using Query = abi::Code (abi::IObjectBase::*)(const char*, void**);
  const std::set<std::string> requests = Requests();
  for (const std::string& request : requests) {
    const bool found = request == contract::kPluginExport;
    abi::IObjectBase* exported = Sentinel<abi::IObjectBase>();
    EXPECT_EQ(getExport_(request.c_str(), &exported), found ? 0 : -1) << request;
    EXPECT_EQ(exported, found ? plugin_.Get() : nullptr) << request;
    EXPECT_EQ(plugin_->GetRefCount(), found ? 5u : 4u) << "the module's, the fixture's three";
    EXPECT_EQ(getExport_(request.c_str(), nullptr), -1) << request;
    if (found) plugin_->Release();
  }
  abi::IObjectBase* exported = Sentinel<abi::IObjectBase>();
  EXPECT_EQ(getExport_(nullptr, &exported), -1);
  EXPECT_EQ(exported, nullptr);
  for (int asked = 0; asked < kSubjects; ++asked) {
    abi::IObjectBase* const object = subjects[asked];
    const abi::Count atRest = object->GetRefCount();
    for (const Query query : {&abi::IObjectBase::QueryInterface, &abi::IObjectBase::GetInterface}) {
      for (const std::string& request : requests) {
        SCOPED_TRACE(::testing::Message()
                     << "subject " << asked << " asked for '" << request << "'");
        const auto* answer = std::find_if(std::begin(kAnswers), std::end(kAnswers), [&](auto& a) {
          return a.object == kObjectOf[asked] && request == a.contract;
        });
        const bool answered = answer != std::end(kAnswers);
        void* const expected = answered ? subjects[answer->answer] : Sentinel<void>();
        void* out = Sentinel<void>();
        EXPECT_EQ((object->*query)(request.c_str(), &out), answered ? 0 : -3);
        EXPECT_EQ(out, expected);
        EXPECT_EQ(object->GetRefCount(), answered ? atRest + 1 : atRest);
        if (answered && out == expected) static_cast<abi::IObjectBase*>(out)->Release();
        EXPECT_EQ((object->*query)(request.c_str(), nullptr), -3);
        EXPECT_EQ(object->GetRefCount(), atRest);
      }
    }
  }
  for (const Step& step : kSteps) {
    SCOPED_TRACE(::testing::Message() << "step " << (&step - kSteps));
    const Value expected = step.expected == kLoadingThread   ? host::CurrentThreadId()
                           : step.expected == kParsingThread ? parsingThread
                                                             : step.expected;
    EXPECT_EQ(step.operation(subjects[step.through], step.argument), expected);
  }
  ObjectPtr<abi::IParameters> current;
  EXPECT_EQ(parser_->GetParameters(current.Put()), 0);
  EXPECT_EQ(current, parameters) << "the hook changed the current result";
}

// One reference per name, the new one taken before the old one is given back: stored again,
// an object whose only reference the table holds is not destroyed, and a replaced one is
// given back once; under a null name nothing is stored (-7). ClearImports gives back
// everything; the reserved operations change nothing; an object under a name the module does
// not resolve is only held.
TEST_F(ObjectModelTest, ImportTableHoldsOneReferencePerName) {
  hostdouble::Plain* const probe = ObjectLifetime::Create<hostdouble::Plain>().Detach();
  EXPECT_EQ(imports_->SetImport("Probe", probe), 0);
  EXPECT_EQ(probe->Release(), 1u) << "the table's reference remains";
  EXPECT_EQ(imports_->SetImport(nullptr, probe), -7);
  const int alive = hostdouble::live;
  EXPECT_EQ(imports_->SetImport("Probe", probe), 0);
  EXPECT_EQ(imports_->Reserved1(), 0);
  EXPECT_EQ(imports_->Reserved2(), 0);
  ASSERT_EQ(hostdouble::live, alive) << "destroyed by being stored again";
  EXPECT_EQ(probe->Count(), 1u);
  EXPECT_EQ(imports_->SetImport("Probe", stringsProxy.Get()), 0);
  EXPECT_EQ(hostdouble::live, alive - 1) << "the replaced object was given back";
  EXPECT_EQ(imports_->ClearImports(), 0);
  EXPECT_EQ(logger->Count() + stringsProxy->Count() + collectionsProxy->Count(), 3u);
  InjectInto(*imports_);
}

// A result held by the plug-in alone ends with the Parse that replaces it. Registration
// order counts; the oldest registration of an observer is removed first; a null observer is
// refused, and removing it removes every registration; removing one never registered
// changes nothing.
TEST_F(ObjectModelTest, AResultNotifiesItsObserversAsRegisteredWhenItEnds) {
  const std::pair<const char*, const char*> scripts[] = {
      {"0+a1 0+05 0+b2 0+a1311768467463790320 0-a 0-s", "b 2|a 1311768467463790320"},
      {"0+a1 0+b2 0-0", ""},
  };
  for (const auto& [changes, notices] : scripts) {
    abi::IParameters* const result = ParseAndGet({"--x=1"}).Get();
    const std::string printed = Apply(changes, notices, {result, result, result});
    EXPECT_EQ(Parse({}), 0);
    EXPECT_EQ(TakeStdout(), printed);
    EXPECT_EQ(CheckNoticesFromOneSender() != nullptr, !printed.empty());
  }
}

// At unload the registry's line comes first, then the current result ends (the plug-in held
// it alone), then the plug-in, whose imports are given back after its notices. Its three
// interfaces reach one list. For its observers the module is gone: GetExport finds nothing,
// and an earlier result the host still holds finds no plug-in to resolve a factory through,
// so its value comes out null without a line. Registrations added or removed during the
// notice are ignored: 'c' hears nothing and 'a' still hears both of its own.
TEST_F(ObjectModelTest, UnloadEndsTheCurrentResultThenThePluginThenItsImports) {
  ObjectPtr<abi::IParameters> earlier = ParseAndGet({"--e=1"});
  const ObjectPtr<Observer> resultObserver = ObjectLifetime::Create<Observer>("r");
  ParseAndGet({"--a=1"})->AddObserver(resultObserver.Get(), reinterpret_cast<void*>(5));
  abi::IObjectBase* exported = Sentinel<abi::IObjectBase>();
  ObjectPtr<abi::IObject> value;
  abi::IPlugin* const ending = plugin_.Get();
  const ObjectPtr<Observer> caller = ObjectLifetime::Create<Observer>(nullptr, [&] {
    EXPECT_EQ(getExport_(contract::kPluginExport, &exported), -1);
    EXPECT_EQ(getExport_(contract::kPluginExport, nullptr), -1);
    EXPECT_EQ(earlier->GetOptionValue("e", value.Put()), 0);
    earlier.Reset();
    ending->AddObserver(observers_[2].Get(), nullptr);
    ending->RemoveObserver(observers_[0].Get());
  });
  imports_->AddObserver(caller.Get(), nullptr);  // heard first
  const std::string printed = Apply("0+a1 1+b2 2+a3 0+09 1+c4 2-c 0-s", "a 1|b 2|a 3",
                                    {plugin_.Get(), parser_.Get(), imports_.Get()});
  EXPECT_EQ(ReleaseAndUnload(), Line("PlugDLL deleted") + Line("notice r 5") + printed);
  ASSERT_EQ(resultObserver->notices.size(), 1u);
  EXPECT_NE(resultObserver->notices[0].first, CheckNoticesFromOneSender());
  EXPECT_EQ(importRefs_, std::vector<abi::Count>(3, 6)) << "the imports were still held";
  EXPECT_EQ(logger->Count() + stringsProxy->Count() + collectionsProxy->Count(), 3u);
  EXPECT_EQ(exported, nullptr);
  EXPECT_EQ(value, nullptr);
}

#ifndef _WIN32
// What a host still holds when its process ends, for the exit handler below.
struct HeldAtExit {
  abi::Code (*getExport)(const char* id, abi::IObjectBase** out);
  abi::IPlugin* plugin;
  abi::IParameters* result;
  const hostdouble::InjectedServices* services;
} heldAtExit;

// Registered before the module was loaded, so it runs after the module's exit list: the
// registry is gone, the holder has given its reference back, and the host still holds the
// plug-in and a result. Reports on standard error what each step answered.
void AfterTheModulesExitList() {
  HeldAtExit& held = heldAtExit;
  abi::IObjectBase* exported = Sentinel<abi::IObjectBase>();
  const abi::Code lookup = held.getExport(contract::kPluginExport, &exported);
  ObjectPtr<abi::IObject> value;
  const abi::Code whileHeld = held.result->GetOptionValue("b", value.Put());
  const std::string text = hostdouble::TextOf(value.Get());
  value.Reset();
  const abi::Count pluginLeft = held.plugin->Release();
  const abi::Code afterwards = held.result->GetOptionValue("b", value.Put());
  const abi::Count resultLeft = held.result->Release();
  const hostdouble::InjectedServices& services = *held.services;
  std::fprintf(stderr, "GetExport %d %s; value %d %s; plug-in %u; value %d %s; result %u; %u\n",
               lookup, exported == nullptr ? "null" : "written", whileHeld, text.c_str(),
               pluginLeft, afterwards, hostdouble::TextOf(value.Get()).c_str(), resultLeft,
               services.logger->Count() + services.stringsProxy->Count() +
                   services.collectionsProxy->Count());
  std::_Exit(0);
}

// Loads the module, parses, and ends the process holding one reference to the plug-in and
// one to the result. The module and the services stay: exit() does not unwind this frame.
[[noreturn]] void ExitHoldingThePlugin() {
  std::atexit(&AfterTheModulesExitList);
  std::string error;
  std::optional<host::ModuleLibrary> module = host::ModuleLibrary::Load(kModulePath, error);
  if (!module) std::_Exit(2);
  hostdouble::InjectedServices services;
  services.Create();
  HeldAtExit& held = heldAtExit;
  held.services = &services;
  held.getExport = reinterpret_cast<decltype(held.getExport)>(module->FindSymbol("GetExport"));
  abi::IObjectBase* exported = nullptr;
  held.getExport(contract::kPluginExport, &exported);
  exported->QueryInterface(contract::kPlugin, reinterpret_cast<void**>(&held.plugin));
  exported->Release();
  {
    ObjectPtr<abi::IImportsContainer> imports;
    ObjectPtr<abi::IParser> parser;
    held.plugin->QueryInterface(contract::kImports, imports.PutVoid());
    held.plugin->QueryInterface(contract::kParser, parser.PutVoid());
    services.InjectInto(*imports);
    const char* const argv[] = {"prog", "--b=1"};
    parser->Parse(2, argv);
    parser->GetParameters(reinterpret_cast<abi::IParameters**>(&held.result));
  }
  std::exit(0);
}

// At process exit a plug-in the host still holds stays reachable: its result resolves the
// host's factories through it after the module's exit list ran. Once the host's last Release
// has ended it, the result finds no plug-in (a null value, no line) and nothing dangles; the
// plug-in gave its imports back. GetExport stays closed.
TEST(ModuleExitTest, APluginTheHostHoldsAtProcessExitResolvesImportsUntilItEnds) {
  EXPECT_EXIT(ExitHoldingThePlugin(), ::testing::ExitedWithCode(0),
              "GetExport -1 null; value 0 1; plug-in 0; value 0 \\(null\\); result 0; 3\n");
}
#endif

constexpr int kThreads = 4;
constexpr std::uintptr_t kRounds = 100;

// Runs `work(t)` on kThreads threads at once.
template <class Work>
void OnThreads(Work work) {
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(work, t);
  for (std::thread& thread : threads) thread.join();
}

// Each thread registers its own observer twice a round and removes its oldest registration
// once: after R rounds it has R left, cookies R to 2R - 1 in that order, whatever the other
// threads did meanwhile.
TEST_F(ObjectModelTest, ObserversAddedAndRemovedAtOnceKeepEachThreadsRegistrations) {
  std::vector<ObjectPtr<Observer>> observers;
  for (int t = 0; t < kThreads; ++t) observers.push_back(ObjectLifetime::Create<Observer>());
  abi::IObject* const through[] = {plugin_.Get(), parser_.Get(), imports_.Get()};
  OnThreads([&](int t) {
    for (std::uintptr_t round = 0; round < kRounds; ++round) {
      through[t % 3]->AddObserver(observers[t].Get(), reinterpret_cast<void*>(2 * round));
      through[t % 3]->AddObserver(observers[t].Get(), reinterpret_cast<void*>(2 * round + 1));
      through[t % 3]->RemoveObserver(observers[t].Get());
    }
  });
  EXPECT_EQ(ReleaseAndUnload(), Line("PlugDLL deleted"));
  for (const ObjectPtr<Observer>& observer : observers) {
    ASSERT_EQ(observer->notices.size(), kRounds);
    for (std::uintptr_t index = 0; index < kRounds; ++index) {
      EXPECT_EQ(observer->notices[index].second, kRounds + index);
    }
  }
}

// Every thread holds a reference of a result only the host holds, queries it, waits for the
// others and gives its reference back: exactly one Release sees 0, one notice goes out.
TEST_F(ObjectModelTest, ThreadsRacingForTheLastReleaseEndTheResultOnce) {
  const ObjectPtr<Observer> observer = ObjectLifetime::Create<Observer>();
  abi::IParameters* const shared = ParseAndGet({"--alpha=1"}).Detach();
  shared->AddObserver(observer.Get(), nullptr);
  ASSERT_EQ(Parse({}), 0);
  for (int t = 1; t < kThreads; ++t) shared->AddRef();
  std::atomic<int> ready{0};
  std::vector<abi::Count> remaining(kThreads);
  OnThreads([&](int t) {
    ObjectPtr<abi::IObject> value;
    EXPECT_EQ(shared->GetOptionValue("alpha", value.Put()), 0);
    EXPECT_EQ(hostdouble::TextOf(value.Get()), "1");
    ++ready;
    while (ready < kThreads) std::this_thread::yield();
    remaining[t] = shared->Release();
  });
  std::sort(remaining.begin(), remaining.end());
  EXPECT_EQ(remaining, (std::vector<abi::Count>{0, 1, 2, 3}));
  EXPECT_EQ(observer->notices.size(), 1u);
}

}  // namespace
}  // namespace kel::testing
