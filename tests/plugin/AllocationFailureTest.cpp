// Exhausted memory at every allocation of every operation of the plug-in that a host calls:
// one table of operations run against the plug-in linked in, after its construction by the
// singleton, and against the loaded module file. The module's references to the global
// allocation functions bind to this executable's, which fail on demand, because the
// executable exports them; the parse failing through the module file proves it.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdint>
#include <functional>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>

#include "CCommandLineParametersParserPlugin.h"
#include "FailingAllocation.h"
#include "ModuleHost.h"
#include "kel/OperationBoundary.h"

namespace kel::testing {
namespace {

using namespace hostdouble;

const char* const kPrevious[] = {"prog", "--previous=1", "kept"};
const char* const kArguments[] = {"prog",
                                  "--alpha=1",
                                  "-b2",
                                  "free",
                                  "--alpha=3",
                                  "-c",
                                  "--long=a value longer than sixteen bytes"};
constexpr auto kArgumentCount = static_cast<std::int32_t>(std::size(kArguments));
constexpr char kProbeName[] = "A probe under a name longer than short strings";

// Runs `run` with its n-th allocation failing, for n = 0, 1, ... until it completes, after
// `prepare`. After each run that left with std::bad_alloc, nothing it allocated and no host
// object it made may be left, and `kept` checks the state the operation guarantees. Returns
// how many runs ran out of memory.
template <class Prepare, class Run, class Kept>
long FailEachAllocation(Prepare prepare, Run run, Kept kept) {
  for (long allowed = 0;; ++allowed) {
    prepare();
    const long allocations = FailingAllocation::LiveAllocations();
    const int hostObjects = live;
    bool ranOut = false;
    {
      FailingAllocation failing(allowed);
      try {
        run();
      } catch (const std::bad_alloc&) {
        ranOut = true;
      }
    }
    const long allocationsLeft = FailingAllocation::LiveAllocations();
    if (!ranOut || ::testing::Test::HasFailure()) return allowed;
    SCOPED_TRACE(::testing::Message() << "allocation " << allowed << " failed");
    EXPECT_EQ(allocationsLeft, allocations) << "an allocation leaked";
    EXPECT_EQ(live, hostObjects) << "a host object was kept";
    kept();
  }
}

// The plug-in with the host's services injected and, before every run, the result of
// kPrevious installed and held, an iterator on its first option and `out` preset.
struct Session : InjectedServices {
  explicit Session(abi::IObjectBase* plugin) {
    plugin->QueryInterface(contract::kParser, parser.PutVoid());
    plugin->QueryInterface(contract::kImports, imports.PutVoid());
    Create();
    InjectInto(*imports);
  }
  ~Session() { imports->ClearImports(); }
  void Prepare() {
    EXPECT_EQ(parser->Parse(3, kPrevious), 0);
    EXPECT_EQ(parser->GetParameters(parameters.Put()), 0);
    iterator = abi::OptionsIterator(*parameters);
    out = Sentinel<void>();
  }
  template <class I>
  I** Out() {
    return reinterpret_cast<I**>(&out);
  }

  ObjectPtr<abi::IParser> parser;
  ObjectPtr<abi::IImportsContainer> imports;
  ObjectPtr<Plain> probe = ObjectLifetime::Create<Plain>();
  ObjectPtr<Observer> observer = ObjectLifetime::Create<Observer>();
  ObjectPtr<abi::IParameters> parameters;
  ObjectPtr<abi::IOptionsIterator> iterator;
  void* out = nullptr;  // the out-parameter of the operations that hand out an object
};

// `kept` checks the state after a run that ran out of memory (when null: `out` untouched),
// `effect` the run that completed; what it wrote to `out` is given back.
struct Case {
  const char* operation;
  void (*run)(Session&);
  void (*kept)(Session&) = nullptr;
  void (*effect)(Session&) = nullptr;
  void (*setUp)(Session&) = nullptr;  // before each run, memory permitting
};

const Case kCases[] = {
    {"SetImport", [](Session& s) { s.imports->SetImport(kProbeName, s.probe.Get()); },
     [](Session& s) { EXPECT_EQ(s.probe->Count(), 1u) << "stored"; },
     [](Session& s) { EXPECT_EQ(s.imports->SetImport(kProbeName, nullptr), 0); }},
    {"AddObserver", [](Session& s) { s.parameters->AddObserver(s.observer.Get(), nullptr); }},
    {"Parse", [](Session& s) { s.parser->Parse(kArgumentCount, kArguments); },
     [](Session& s) {
       ObjectPtr<abi::IParameters> current;
       EXPECT_EQ(s.parser->GetParameters(current.Put()), 0);
       EXPECT_EQ(current, s.parameters) << "the previous result stays installed";
     }},
    {"GetFreeArguments", [](Session& s) { s.parameters->GetFreeArguments(s.Out<abi::IObject>()); }},
    {"GetOptionValue",
     [](Session& s) { s.parameters->GetOptionValue("previous", s.Out<abi::IObject>()); }},
    {"CreateOptionsIterator",
     [](Session& s) { s.parameters->CreateOptionsIterator(s.Out<abi::IOptionsIterator>()); }},
    {"GetOptionsIterator",
     [](Session& s) { s.out = abi::OptionsIterator(*s.parameters).Detach(); }},
    {"the iterator's GetValue", [](Session& s) { s.iterator->GetValue(s.Out<abi::IObject>()); }},
    // A destructor cannot leave with an exception: the notice must not allocate. The
    // observer heard the result of the completed AddObserver end, and this one.
    {"the destruction notice", [](Session& s) { s.parameters.Reset(); }, nullptr,
     [](Session& s) { EXPECT_EQ(s.observer->notices.size(), 2u); },
     [](Session& s) {
       s.parameters->AddObserver(s.observer.Get(), nullptr);
       s.iterator.Reset();
       EXPECT_EQ(s.parser->Parse(1, kPrevious), 0);
     }},
};

void ExpectEveryAllocationFailureKeepsItsGuarantee(abi::IObjectBase* plugin) {
  Session session(plugin);
  for (const Case& operation : kCases) {
    SCOPED_TRACE(operation.operation);
    const long failures = FailEachAllocation(
        [&] {
          session.Prepare();
          if (operation.setUp != nullptr) operation.setUp(session);
        },
        [&] { operation.run(session); },
        [&] {
          if (operation.kept != nullptr) return operation.kept(session);
          EXPECT_EQ(session.out, Sentinel<void>()) << "the out-parameter was written";
        });
    if (operation.effect != nullptr) operation.effect(session);
    if (session.out != Sentinel<void>() && session.out)
      static_cast<abi::IObjectBase*>(session.out)->Release();
    // Parse allocates its split and its result: each must be seen to fail.
    EXPECT_TRUE(std::string(operation.operation) != "Parse" || failures >= 2)
        << "none seen to fail";
  }
}

TEST(InProcessAllocationFailureTest, FromTheConstructionOnEveryOperationKeepsItsGuarantee) {
  const long allocations = FailingAllocation::LiveAllocations();
  EXPECT_EQ(CCommandLineParametersParserPlugin::GetInstance(nullptr), -4);
  EXPECT_EQ(FailingAllocation::LiveAllocations(), allocations) << "nothing made for a null out";
  IPlugin* plugin = static_cast<IPlugin*>(Sentinel<void>());
  EXPECT_GT(
      FailEachAllocation([] {}, [&] { CCommandLineParametersParserPlugin::GetInstance(&plugin); },
                         [&] { EXPECT_EQ(plugin, Sentinel<void>()); }),
      0);
  ASSERT_NE(plugin, Sentinel<void>());
  EXPECT_EQ(plugin->GetRefCount(), 2u) << "the singleton's holder's and ours";
  // Seen through the host's declarations, as GetExport would hand it out.
  ExpectEveryAllocationFailureKeepsItsGuarantee(reinterpret_cast<abi::IObjectBase*>(plugin));
  EXPECT_EQ(plugin->Release(), 1u);
  EXPECT_EQ(live, 0);
}

// Whatever else an operation's body throws leaves the operation as exhausted memory, the
// one failure a host is prepared for, and only once everything the body built is gone.
TEST(OperationBoundaryTest, EveryOtherExceptionLeavesAsExhaustedMemory) {
  const std::function<void()> failures[] = {
      [] { throw std::length_error("a size beyond what can be allocated"); },
      [] { throw std::out_of_range("a defect"); },
      [] { throw 0; },
  };
  for (const std::function<void()>& fail : failures) {
    const long allocations = FailingAllocation::LiveAllocations();
    EXPECT_THROW(RunOperation([&] {
                   const std::string built(100, 'x');
                   fail();
                   return built.size();
                 }),
                 std::bad_alloc);
    EXPECT_EQ(FailingAllocation::LiveAllocations(), allocations);
  }
}

// A thread cancelled inside an operation unwinds out of it, as cancellation must: the
// boundary lets the unwinding through instead of ending the process.
TEST(OperationBoundaryTest, ACancelledThreadUnwindsThroughAnOperation) {
  static bool returned = false;
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, nullptr,
                [](void*) -> void* {
                  pthread_cancel(pthread_self());
                  RunOperation([] { pthread_testcancel(); });
                  returned = true;
                  return nullptr;
                },
                nullptr),
            0);
  void* result = nullptr;
  ASSERT_EQ(pthread_join(thread, &result), 0);
  EXPECT_EQ(result, PTHREAD_CANCELED);
  EXPECT_FALSE(returned);
}

class ModuleFileAllocationFailureTest : public ModuleHostTest {};

TEST_F(ModuleFileAllocationFailureTest, EveryOperationKeepsItsGuarantee) {
  ExpectEveryAllocationFailureKeepsItsGuarantee(plugin_.Get());
}

}  // namespace
}  // namespace kel::testing
