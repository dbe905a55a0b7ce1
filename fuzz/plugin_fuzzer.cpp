// libFuzzer target for the whole plug-in, linked in-process with the host's counting
// services. An input is a sequence of steps through the plug-in's interfaces: parses of
// fuzzed argument vectors, whose split and classification must keep the grammar's
// properties; inspections of a held result (queries by fuzzed and parsed names,
// the free arguments, a walk with an iterator made either way); observers; good, null, wrong
// and missing imports; contracts nothing answers; null out-parameters. Every answer is
// checked against the grammar's own split of the same arguments (a std::string orders its
// bytes as unsigned, as the module must) and against the imports: a host string is made
// exactly when the string factory is reachable. At the end of an input every result has no
// reference but the fuzzer's own and no host object is alive. A violation aborts. The
// module's "LibManager: " lines go to /dev/null.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "CCommandLineParametersParserPlugin.h"
#include "CommandLineGrammar.h"
#include "GrammarInvariants.h"
#include "kel/IImportsContainer.h"
#include "kel/host/HostExportProxy.h"
#include "kel/host/HostFactories.h"
#include "kel/host/HostObserver.h"
#include "kel/host/LiveObjects.h"
#include "kel/host/PlainHostObject.h"

#define FUZZ_CHECK(condition) Require((condition), #condition)

namespace {

using kel::IObjectBase;
using kel::IString;
using kel::ObjectPtr;
using Provider = FuzzedDataProvider;
namespace host = kel::host;

// What can be injected: kStrings and kCollections are proxies of the factories.
enum Injected { kNull, kPlain, kSilentProxy, kStrings, kCollections, kKinds };

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "plug-in property violated: %s\n", what);
  std::abort();
}

// A fuzzed text as the module sees it: up to its first NUL.
std::string Text(Provider& in, std::size_t maxLength) {
  return in.ConsumeRandomLengthString(maxLength).c_str();
}

bool LiesWithin(std::string_view part, std::string_view whole) {
  return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

// What the grammar made of `arguments` (argv[1] onwards) keeps its properties, and each
// argument's classification agrees with itself: never both kinds, a row in range, views
// inside it. Free arguments form a set and options do not depend on them, so reversing the
// texts at the free arguments' positions changes nothing.
void CheckGrammar(std::vector<std::string> arguments, const OptionMap& options,
                  const FreeArgumentSet& freeArguments) {
  const std::string violation = FindGrammarViolation(arguments, options, freeArguments);
  Require(violation.empty(), violation.c_str());
  const std::vector<std::size_t> free = FreeArgumentPositions(arguments);
  for (std::size_t low = 0, high = free.size(); low + 1 < high; ++low, --high) {
    std::swap(arguments[free[low]], arguments[free[high - 1]]);
  }
  std::vector<const char*> argv{"fuzz"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  const CommandLineSplit reordered(static_cast<int>(argv.size()), argv.data());
  FUZZ_CHECK(reordered.Options() == options && reordered.FreeArguments() == freeArguments);
  for (const std::string& argument : arguments) {
    const std::string_view trimmed = TrimSpaces(argument);
    const ArgumentClassification c = ClassifyArgument(trimmed);
    FUZZ_CHECK(!(c.IsOption() && c.IsFreeArgument()));
    FUZZ_CHECK(c.row >= 1 && c.row <= 12 && c.text == trimmed);
    FUZZ_CHECK(trimmed.empty() || LiesWithin(trimmed, argument));
    FUZZ_CHECK(!c.IsOption() || (LiesWithin(c.name, trimmed) && LiesWithin(c.value, trimmed)));
  }
}

bool OneIn8(Provider& in) {
  return in.ConsumeIntegralInRange(0, 7) == 0;
}

// Calls `operation` with a null out-parameter or a fresh one, requires the result `want`
// and, on failure, an untouched out-parameter; returns what was handed out.
template <class T, class Operation>
ObjectPtr<T> Out(bool nullOut, int want, Operation operation) {
  static char untouched;
  T* written = reinterpret_cast<T*>(&untouched);
  FUZZ_CHECK(operation(nullOut ? nullptr : &written) == want);
  FUZZ_CHECK(want == 0 || written == reinterpret_cast<T*>(&untouched));
  return want == 0 ? ObjectPtr<T>(kel::AdoptRef(written)) : nullptr;
}

// A result the fuzzer holds, with what the grammar made of its arguments.
struct Held {
  ObjectPtr<ICommandLineParameters> result;
  std::map<std::string, std::string> options;
  std::set<std::string> freeArguments;
};

class Session {
 public:
  Session() {
    FUZZ_CHECK(CCommandLineParametersParserPlugin::GetInstance(plugin_.Put()) == 0);
    parser_ = kel::QueryAs<ICommandLineParametersParser>(plugin_);
    imports_ = kel::QueryAs<kel::IImportsContainer>(plugin_);
  }

  void Step(Provider& in) {
    using Operation = void (Session::*)(Provider&, bool nullOut, Held* held);
    static constexpr Operation kOperations[] = {&Session::Parse,   &Session::Inject,
                                                &Session::Observe, &Session::AskContract,
                                                &Session::Release, &Session::Inspect};
    const bool nullOut = OneIn8(in);
    Held* held = held_.empty()
                     ? nullptr
                     : &held_[in.ConsumeIntegralInRange<std::size_t>(0, held_.size() - 1)];
    (this->*kOperations[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kOperations) - 1)])(
        in, nullOut, held);
  }

  // Gives everything back and makes a fresh result current, so that no result seen in this
  // input stays alive past it: each must then have only the reference of results_.
  void Finish() {
    plugin_->RemoveObserver(nullptr);
    held_.clear();
    const char* argv[] = {"fuzz"};
    FUZZ_CHECK(parser_->Parse(1, argv) == 0);
    FUZZ_CHECK(imports_->ClearImports() == 0 && plugin_->GetRefCount() == 4);
    for (const auto& result : results_) FUZZ_CHECK(result->GetRefCount() == 1);
  }

 private:
  void Parse(Provider& in, bool nullOut, Held*) {
    std::vector<std::string> arguments(in.ConsumeIntegralInRange(0, 8));
    for (std::string& argument : arguments) argument = Text(in, 40);
    std::vector<const char*> argv{"fuzz"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    const int argc = in.ConsumeIntegralInRange(-1, static_cast<int>(argv.size()));
    const CommandLineSplit split(argc, argv.data());
    const OptionMap& options = split.Options();
    const FreeArgumentSet& freeArguments = split.FreeArguments();
    CheckGrammar({arguments.begin(), arguments.begin() + std::max(argc - 1, 0)}, options,
                 freeArguments);
    FUZZ_CHECK(parser_->Parse(argc, argv.data()) == 0);
    auto result = Out<ICommandLineParameters>(
        nullOut, nullOut ? -4 : 0, [&](auto out) { return parser_->GetParameters(out); });
    if (result) {
      results_.push_back(result);  // kept to the end of the input
      held_.push_back(
          {result, {options.begin(), options.end()}, {freeArguments.begin(), freeArguments.end()}});
    }
  }  // the arguments go: the result must hold copies

  void Inspect(Provider& in, bool, Held* held) {
    if (held == nullptr) return;
    ICommandLineParameters& result = *held->result;
    for (int query = in.ConsumeIntegralInRange(0, 3); query > 0; --query) {
      std::string name = Text(in, 16);
      for (const auto& entry : held->options) {
        if (in.ConsumeBool()) name = entry.first;
      }
      const char* text = OneIn8(in) ? nullptr : name.c_str();
      const bool nullOut = OneIn8(in);
      const auto option = text != nullptr ? held->options.find(name) : held->options.end();
      const bool present = option != held->options.end();
      const bool valued = present && !option->second.empty();
      bool flag = false;
      const int has = result.HasOption(text, nullOut ? nullptr : &flag);
      FUZZ_CHECK(has == (text == nullptr || nullOut ? -7 : 0) && flag == (has == 0 && present));
      flag = false;
      const int hasValue = result.HasOptionValue(text, nullOut ? nullptr : &flag);
      FUZZ_CHECK(hasValue == (has < 0 ? -7 : present ? 0 : -1));
      FUZZ_CHECK(flag == (hasValue == 0 && valued));
      const int want = nullOut ? -7 : valued ? 0 : -1;
      CheckValue(want, valued ? option->second : "", Out<IString>(nullOut, want, [&](auto out) {
                   return result.GetOptionValue(text, out);
                 }));
    }
    const bool nullOut = OneIn8(in);
    const int want = !Reaches("CollectionFactory", kCollections) ? -1 : nullOut ? -4 : 0;
    const auto collection = Out<kel::ICollection>(
        nullOut, want, [&](auto out) { return result.GetFreeArguments(out); });
    FUZZ_CHECK(want != 0 || collection->GetCount() == held->freeArguments.size());
    std::uint32_t index = 0;
    for (const std::string& argument : held->freeArguments) {
      if (want != 0) break;
      ObjectPtr<IString> item;
      FUZZ_CHECK(collection->GetItem(index++, item.Put()) == 0);
      CheckValue(0, argument, item);
    }
    Walk(in,
         in.ConsumeBool() ? result.GetOptionsIterator()
                          : Out<ICommandLineOptionsIterator>(
                                nullOut, nullOut ? -4 : 0,
                                [&](auto out) { return result.CreateOptionsIterator(out); }),
         held->options, nullOut);
  }

  // Walks the options and one step past the end, with every operation at each position.
  void Walk(Provider& in, const ObjectPtr<ICommandLineOptionsIterator>& iterator,
            const std::map<std::string, std::string>& options, bool mayBeNull) {
    FUZZ_CHECK(iterator != nullptr || mayBeNull);
    for (auto option = options.begin(); iterator != nullptr; ++option) {
      const bool end = option == options.end(), nullOut = OneIn8(in);
      const std::string value = end ? "" : option->second;
      const char* name = iterator->GetName();
      FUZZ_CHECK(iterator->IsEnd() == end && (end ? !name : name && option->first == name));
      bool flag = false;
      FUZZ_CHECK(iterator->HasValue(nullOut ? nullptr : &flag) == (end || nullOut ? -7 : 0));
      FUZZ_CHECK(flag == (!end && !nullOut && !value.empty()));
      const int want = end || nullOut ? -7 : value.empty() ? -1 : 0;
      CheckValue(want, value,
                 Out<IString>(nullOut, want, [&](auto out) { return iterator->GetValue(out); }));
      FUZZ_CHECK(iterator->Next() == (end ? -7 : 0));
      if (end) break;
    }
  }

  // Injects one of the injectables under a known or a fuzzed property, or clears them all.
  void Inject(Provider& in, bool clear, Held*) {
    constexpr const char* kProperties[] = {"Logger", "StringFactory", "CollectionFactory"};
    const std::string property =
        in.ConsumeBool() ? Text(in, 20) : kProperties[in.ConsumeIntegralInRange(0, 2)];
    const auto kind = static_cast<Injected>(in.ConsumeIntegralInRange(0, kKinds - 1));
    if (clear) injected_.clear();
    if (!clear) injected_[property] = kind;
    FUZZ_CHECK(clear ? imports_->ClearImports() == 0 && imports_->Reserved1() == 0 &&
                           imports_->Reserved2() == 0 && plugin_->PluginHook(&in) == 0
                     : imports_->SetImport(property.c_str(), injectables_[kind].Get()) == 0);
  }

  // Registers an observer (or a null one) on the plug-in or a result, or removes one (or all).
  void Observe(Provider& in, bool nullOut, Held* held) {
    kel::IObject* object = held != nullptr && in.ConsumeBool()
                               ? held->result.Get()
                               : static_cast<kel::IObject*>(plugin_.Get());
    kel::IObserver* observer = nullOut ? nullptr : observers_[in.ConsumeBool()].Get();
    if (in.ConsumeBool()) object->AddObserver(observer, &in);
    if (!in.ConsumeBool()) object->RemoveObserver(observer);
  }

  void Release(Provider&, bool, Held* held) {
    if (held != nullptr) held_.erase(held_.begin() + (held - held_.data()));
  }

  // QueryInterface or GetInterface, with a contract that nothing answers (every one that
  // is answered begins "com."), on the plug-in, a result or an iterator.
  void AskContract(Provider& in, bool nullOut, Held* held) {
    const auto iterator = held != nullptr ? held->result->GetOptionsIterator() : nullptr;
    IObjectBase* target = held == nullptr || in.ConsumeBool()
                              ? static_cast<IObjectBase*>(plugin_.Get())
                          : in.ConsumeBool() ? static_cast<IObjectBase*>(held->result.Get())
                                             : iterator.Get();
    const std::string id = "fuzz." + Text(in, 60);
    void* untouched = &in;
    void** out = nullOut ? nullptr : &untouched;
    FUZZ_CHECK((in.ConsumeBool() ? target->QueryInterface(id.c_str(), out)
                                 : target->GetInterface(id.c_str(), out)) == -3 &&
               untouched == &in);
  }

  bool Reaches(const std::string& property, Injected serving) const {
    const auto entry = injected_.find(property);
    return entry != injected_.end() && entry->second == serving;
  }

  // A host string handed out with result `got`: the expected text when one could be made.
  void CheckValue(int got, const std::string& text, const ObjectPtr<IString>& string) const {
    const bool made = got == 0 && Reaches("StringFactory", kStrings);
    FUZZ_CHECK(made ? string && string->GetText() == text : !string);
  }

  ObjectPtr<host::HostStringFactory> strings_ = host::HostStringFactory::Create();
  ObjectPtr<host::HostCollectionFactory> collections_ = host::HostCollectionFactory::Create();
  ObjectPtr<host::HostObserver> observers_[2] = {host::HostObserver::Create(),
                                                 host::HostObserver::Create()};
  const ObjectPtr<IObjectBase> injectables_[kKinds] = {
      nullptr, host::PlainHostObject::Create(), host::HostExportProxy::Create(),
      host::HostExportProxy::Create(strings_), host::HostExportProxy::Create(collections_)};
  ObjectPtr<IPlugin> plugin_;
  ObjectPtr<ICommandLineParametersParser> parser_;
  ObjectPtr<kel::IImportsContainer> imports_;
  std::vector<ObjectPtr<ICommandLineParameters>> results_;  // each made, so each dies at the end
  std::vector<Held> held_;
  std::map<std::string, Injected> injected_;  // the import table
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_CHECK(std::freopen("/dev/null", "w", stdout) != nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Provider in(data, size);
  {
    Session session;
    while (in.remaining_bytes() > 0) session.Step(in);
    session.Finish();
  }
  FUZZ_CHECK(host::LiveObjects::Total() == 0);
  return 0;
}
