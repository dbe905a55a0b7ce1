// Parse, GetParameters, the parse result's operations and the options iterator's as one
// script of calls through the loaded module: each row a call, its argument, whether an
// out-parameter is passed, the result code, what the out-parameter holds afterwards, how
// often the host's imports were resolved, how the host's factories or their imports are
// broken meanwhile, and the line that import resolution prints then, byte for byte. Then the
// grammar's golden corpus, read back through the module (Parse with argc of 1, 0 and below
// among it).
#include <gtest/gtest.h>

#include <sstream>
#include <type_traits>

#include "GoldenCorpus.h"
#include "ModuleHost.h"

namespace kel::testing {
namespace {

// What a row's call works on: the current parse result and iterator of the script, and the
// row's out-parameters (null for a null out-parameter). A call that returns something else
// than a code says it in `said`.
struct Context {
  ModuleHostTest& host;
  ObjectPtr<abi::IParameters> result{};
  ObjectPtr<abi::IOptionsIterator> it{};
  void** out = nullptr;
  bool* flag = nullptr;
  std::optional<std::string> said{};
  template <class I>
  I** Out() const {
    return reinterpret_cast<I**>(out);
  }
};

using Call = abi::Code (*)(Context&, const char* argument);
// argv[0], then the argument's lines.
constexpr Call kParse = [](auto& c, auto lines) {
  std::vector<std::string> arguments;
  std::istringstream in(lines);
  for (std::string line; std::getline(in, line);) arguments.push_back(line);
  return c.host.Parse(arguments);
};
constexpr Call kGetParameters = [](auto& c, auto) {
  return c.host.parser_->GetParameters(c.template Out<abi::IParameters>());
};
constexpr Call kHasOption = [](auto& c, auto name) { return c.result->HasOption(name, c.flag); };
constexpr Call kHasOptionValue = [](auto& c, auto name) {
  return c.result->HasOptionValue(name, c.flag);
};
constexpr Call kGetOptionValue = [](auto& c, auto name) {
  return c.result->GetOptionValue(name, c.template Out<abi::IObject>());
};
constexpr Call kGetFreeArguments = [](auto& c, auto) {
  return c.result->GetFreeArguments(c.template Out<abi::IObject>());
};
constexpr Call kCreateOptionsIterator = [](auto& c, auto) {
  return c.result->CreateOptionsIterator(c.template Out<abi::IOptionsIterator>());
};
constexpr Call kGetOptionsIterator = [](auto& c, auto) {
  *c.out = abi::OptionsIterator(*c.result).Detach();
  return 0;
};
constexpr Call kNext = [](auto& c, auto) { return c.it->Next(); };
constexpr Call kGetName = [](auto& c, auto) {
  c.said = c.it->GetName() ? c.it->GetName() : "(null)";
  return 0;
};
constexpr Call kHasValue = [](auto& c, auto) { return c.it->HasValue(c.flag); };
constexpr Call kGetValue = [](auto& c, auto) {
  return c.it->GetValue(c.template Out<abi::IObject>());
};
// GetName, HasValue and GetValue, then Next, while not IsEnd: "name=value" or "name" for
// each option, as long as HasValue and GetValue agree; then Next once more.
constexpr Call kWalk = [](auto& c, auto) {
  std::string walked;
  for (; !c.it->IsEnd(); c.it->Next()) {
    bool hasValue = false;
    ObjectPtr<abi::IObject> value;
    walked += std::string(walked.empty() ? "" : ",") + c.it->GetName();
    const bool agree =
        c.it->HasValue(&hasValue) == 0 && (c.it->GetValue(value.Put()) == 0) == hasValue;
    walked += !agree ? "?" : hasValue ? "=" + hostdouble::TextOf(value.Get()) : "";
  }
  c.said = walked;
  return c.it->Next();
};

// How the host's factories answer during the call, or how the import the call needs (the
// string factory for a value, the collection factory for the free arguments) is broken: not
// stored under its name but under the name in lower case; stored null; the factory itself
// stored, no proxy; a proxy that yields nothing (returning 0 for strings, -5 for
// collections); a proxy of the other factory; a Mute stored (a query that answers 0 without
// a proxy); a proxy of a Mute (the same, without a factory).
enum Host {
  kUsual,
  kNoString,
  kCollectionFails,
  kNoCollection,
  kCollectionCode7,
  kNoEntry,
  kNullEntry,
  kNotAProxy,
  kYieldsNothing,
  kWrongInterface,
  kMuteEntry,
  kMuteObject,
};

// An out-parameter, preset to a value no call writes, or a null one.
constexpr bool kOut = true, kNull = false;

struct Row {
  Call call;
  const char* argument;
  bool out;
  abi::Code code;
  // What the out-parameter reads afterwards (null: as it was): "true"/"false" for a flag,
  // a string's text, "[texts]" for a collection, "refs N" with the count after the call for
  // a result or an iterator (and where the iterator stands). For GetName, Walk and
  // GetOptionsIterator, what they return.
  const char* written;
  int resolutions;
  Host host = kUsual;
  const char* printed = nullptr;  // the line printed meanwhile, without its end of line
};

constexpr Row kScript[] = {
    // No result before the first Parse; that is reported before a null out-parameter.
    {kGetParameters, nullptr, kNull, -7, nullptr, 0},
    {kGetParameters, nullptr, kOut, -7, nullptr, 0},
    {kParse, "--Name=x\n--empty\n-e\n--a=\n-s=t\n--k=a b=c\n--a\xC3\xA9=high\nb\nB\na\nb\n\x80",
     kOut, 0, nullptr, 0},
    {kGetParameters, nullptr, kNull, -4, nullptr, 0},
    {kGetParameters, nullptr, kOut, 0, "refs 2", 0},
    {kGetParameters, nullptr, kOut, 0, "refs 3, the same", 0},
    // Names match whole, exactly, case-sensitively, bytes above 0x7F included.
    {kHasOption, "Name", kOut, 0, "true", 0},
    {kHasOption, "name", kOut, 0, "false", 0},
    {kHasOption, "Nam", kOut, 0, "false", 0},
    {kHasOption, "Name ", kOut, 0, "false", 0},
    {kHasOption, "a\xC3\xA9", kOut, 0, "true", 0},
    {kHasOption, "a\xC3", kOut, 0, "false", 0},
    {kHasOption, "", kOut, 0, "false", 0},
    {kHasOption, "t", kOut, 0, "false", 0},  // after the last name
    {kHasOption, nullptr, kOut, -7, nullptr, 0},
    {kHasOption, "Name", kNull, -7, nullptr, 0},
    {kHasOptionValue, "Name", kOut, 0, "true", 0},
    {kHasOptionValue, "empty", kOut, 0, "false", 0},
    {kHasOptionValue, "absent", kOut, -1, nullptr, 0},
    {kHasOptionValue, "absent", kNull, -7, nullptr, 0},
    {kHasOptionValue, nullptr, kOut, -7, nullptr, 0},
    // Each value a new host string from a factory resolved for that call alone.
    {kGetOptionValue, "k", kOut, 0, "a b=c", 1},
    {kGetOptionValue, "s", kOut, 0, "(null)", 1, kNoString},
    {kGetOptionValue, "e", kOut, -1, nullptr, 0},
    {kGetOptionValue, "absent", kOut, -1, nullptr, 0},
    {kGetOptionValue, nullptr, kOut, -1, nullptr, 0},
    {kGetOptionValue, "Name", kNull, -7, nullptr, 0},
    // The free arguments in byte order, each once, the work done for a null out-parameter too.
    {kGetFreeArguments, nullptr, kOut, 0, "[B,a,b,\x80]", 5},
    {kGetFreeArguments, nullptr, kNull, -4, nullptr, 5},
    {kGetFreeArguments, nullptr, kOut, 0, "[(null),(null),(null),(null)]", 5, kNoString},
    {kGetFreeArguments, nullptr, kOut, 0, "[B,a,b,\x80]", 5, kCollectionCode7},
    {kGetFreeArguments, nullptr, kOut, -5, nullptr, 1, kCollectionFails},
    {kGetFreeArguments, nullptr, kNull, -5, nullptr, 1, kCollectionFails},
    {kGetFreeArguments, nullptr, kOut, -1, nullptr, 1, kNoCollection},
    // An iterator starts on the first name in byte order, with one reference for the host.
    {kCreateOptionsIterator, nullptr, kNull, -4, nullptr, 0},
    {kCreateOptionsIterator, nullptr, kOut, 0, "refs 1, at Name", 0},
    {kHasValue, nullptr, kOut, 0, "true", 0},
    {kHasValue, nullptr, kNull, -7, nullptr, 0},
    {kGetValue, nullptr, kOut, 0, "x", 1},
    {kGetValue, nullptr, kNull, -7, nullptr, 0},
    // A later Parse leaves the result the host holds, its names and its iterator as they were.
    {kParse, "--b=1\n-c\n--a\nfree", kOut, 0, nullptr, 0},
    {kHasOption, "Name", kOut, 0, "true", 0},
    {kGetName, nullptr, kOut, 0, "Name", 0},
    {kWalk, nullptr, kOut, -7, "Name=x,a\xC3\xA9=high,e,empty,k=a b=c,s=t", 4},
    // At the end, where it stays.
    {kGetName, nullptr, kOut, 0, "(null)", 0},
    {kHasValue, nullptr, kOut, -7, nullptr, 0},
    {kGetValue, nullptr, kOut, -7, nullptr, 0},
    {kNext, nullptr, kOut, -7, nullptr, 0},
    // The new result.
    {kGetParameters, nullptr, kOut, 0, "refs 2", 0},
    {kHasOption, "Name", kOut, 0, "false", 0},
    {kGetFreeArguments, nullptr, kOut, 0, "[free]", 2},
    {kGetOptionsIterator, nullptr, kOut, 0, "refs 1, at a", 0},
    {kHasValue, nullptr, kOut, 0, "false", 0},
    {kGetValue, nullptr, kOut, -1, nullptr, 0},
    {kNext, nullptr, kOut, 0, nullptr, 0},
    {kGetValue, nullptr, kOut, 0, "1", 1},
    {kWalk, nullptr, kOut, -7, "b=1,c", 1},
    // A broken import prints its line at every use and is not remembered once repaired; a
    // string not made is handed out as null, and without a collection there is nothing to give.
    {kGetOptionValue, "b", kOut, 0, "(null)", 0, kNoEntry,
     "LibManager: NULL object proxy returned for \"StringFactory\"."},
    {kGetOptionValue, "b", kOut, 0, "(null)", 0, kNullEntry,
     "LibManager: Proxy interface not supported for \"StringFactory\"."},
    {kGetOptionValue, "b", kOut, 0, "(null)", 0, kNotAProxy,
     "LibManager: Proxy interface not supported for \"StringFactory\"."},
    {kGetOptionValue, "b", kOut, 0, "(null)", 0, kYieldsNothing,
     "LibManager: Library returned NULL object for \"StringFactory\". Probably declared and "
     "exported contracts are different or the library is failed to load."},
    {kGetOptionsIterator, nullptr, kOut, 0, "refs 1, at a", 0},
    {kNext, nullptr, kOut, 0, nullptr, 0},
    {kGetValue, nullptr, kOut, 0, "(null)", 0, kWrongInterface,
     "LibManager: Library object for \"StringFactory\" does not support required interface "
     "com.velkora.general.kel.IStringFactory/1.0. Wrong import declaration or wrong plugin "
     "implementation?"},
    {kGetValue, nullptr, kOut, 0, "(null)", 0, kMuteEntry,
     "LibManager: Proxy interface not supported for \"StringFactory\"."},
    {kGetValue, nullptr, kOut, 0, "1", 1},
    {kGetFreeArguments, nullptr, kOut, -1, nullptr, 0, kNoEntry,
     "LibManager: NULL object proxy returned for \"CollectionFactory\"."},
    {kGetFreeArguments, nullptr, kNull, -1, nullptr, 0, kNullEntry,
     "LibManager: Proxy interface not supported for \"CollectionFactory\"."},
    {kGetFreeArguments, nullptr, kOut, -1, nullptr, 0, kNotAProxy,
     "LibManager: Proxy interface not supported for \"CollectionFactory\"."},
    {kGetFreeArguments, nullptr, kOut, -1, nullptr, 0, kYieldsNothing,
     "LibManager: Library returned NULL object for \"CollectionFactory\". Probably declared "
     "and exported contracts are different or the library is failed to load."},
    {kGetFreeArguments, nullptr, kOut, -1, nullptr, 0, kWrongInterface,
     "LibManager: Library object for \"CollectionFactory\" does not support required "
     "interface com.velkora.general.kel.ICollectionFactory/1.0. Wrong import declaration or "
     "wrong plugin implementation?"},
    {kGetFreeArguments, nullptr, kOut, -1, nullptr, 0, kMuteObject,
     "LibManager: Library object for \"CollectionFactory\" does not support required "
     "interface com.velkora.general.kel.ICollectionFactory/1.0. Wrong import declaration or "
     "wrong plugin implementation?"},
    {kGetFreeArguments, nullptr, kOut, 0, "[free]", 2},
};

class ResultTableTest : public ModuleHostTest {
 protected:
  // The row's result code, and what its out-parameter reads afterwards.
  std::pair<abi::Code, std::optional<std::string>> Run(Context& context, const Row& row) {
    void* pointer = Sentinel<void>();
    unsigned char flag = 0xA5;  // neither false nor true
    context.out = row.out ? &pointer : nullptr;
    context.flag = row.out ? reinterpret_cast<bool*>(&flag) : nullptr;
    context.said.reset();
    const abi::Code code = row.call(context, row.argument);
    if (context.said) return {code, context.said};
    if (flag != 0xA5) return {code, flag == 1 ? "true" : flag == 0 ? "false" : "not a bool"};
    if (pointer == Sentinel<void>()) return {code, std::nullopt};
    if (row.call == kGetParameters)
      return {code, Adopt(static_cast<abi::IParameters*>(pointer), context.result)};
    if (row.call == kCreateOptionsIterator || row.call == kGetOptionsIterator) {
      return {code, Adopt(static_cast<abi::IOptionsIterator*>(pointer), context.it)};
    }
    const ObjectPtr<abi::IObject> made = AdoptRef(static_cast<abi::IObject*>(pointer));
    if (row.call == kGetFreeArguments)
      return {code, static_cast<hostdouble::Collection*>(made.Get())->Render()};
    return {code, hostdouble::TextOf(made.Get())};
  }

  // Keeps the reference handed out in `holder`; reads "refs N" with the count it left.
  template <class I>
  static std::string Adopt(I* made, ObjectPtr<I>& holder) {
    if (made == nullptr) return "(null)";
    std::string read = "refs " + std::to_string(made->GetRefCount());
    if (made == holder.Get()) read += ", the same";
    if constexpr (std::is_same_v<I, abi::IOptionsIterator>) {
      read += made->IsEnd() ? ", at the end" : std::string(", at ") + made->GetName();
    }
    holder = AdoptRef(made);
    return read;
  }

  // Makes the host's factories answer as `host` says, or breaks the import `call` needs;
  // kUsual repairs everything.
  void Behave(Host host, Call call) {
    strings->failing = host == kNoString;
    collections->code = host == kCollectionFails ? -5 : host == kCollectionCode7 ? 7 : 0;
    collections->writeNone = host == kNoCollection;
    imports_->SetImport("stringfactory", nullptr);
    imports_->SetImport("collectionfactory", nullptr);
    InjectInto(*imports_);
    const bool forStrings = call != kGetFreeArguments;
    abi::IObjectBase* const factories[] = {strings.Get(), collections.Get()};
    hostdouble::Proxy* const proxies[] = {stringsProxy.Get(), collectionsProxy.Get()};
    ObjectPtr<abi::IObjectBase> standIn;
    if (host == kNoEntry) {
      EXPECT_EQ(imports_->ClearImports(), 0);
      imports_->SetImport(forStrings ? "stringfactory" : "collectionfactory", proxies[!forStrings]);
      imports_->SetImport(forStrings ? "CollectionFactory" : "StringFactory", proxies[forStrings]);
    }
    if (host == kNotAProxy) standIn.Assign(factories[!forStrings]);
    if (host == kYieldsNothing)
      standIn = ObjectLifetime::Create<hostdouble::Proxy>(nullptr, forStrings ? 0 : -5);
    if (host == kWrongInterface)
      standIn = ObjectLifetime::Create<hostdouble::Proxy>(factories[forStrings]);
    if (host == kMuteEntry) standIn = ObjectLifetime::Create<hostdouble::Mute>();
    if (host == kMuteObject)
      standIn = ObjectLifetime::Create<hostdouble::Proxy>(
          ObjectLifetime::Create<hostdouble::Mute>().Get());
    if (host > kNoEntry)
      imports_->SetImport(forStrings ? "StringFactory" : "CollectionFactory", standIn.Get());
  }
};

TEST_F(ResultTableTest, EveryCallAnswersAsItsRowSays) {
  Context context{*this};
  for (const Row& row : kScript) {
    SCOPED_TRACE(::testing::Message() << "row " << (&row - kScript));
    const int liveBefore = hostdouble::live;
    const int resolutionsBefore = Resolutions();
    Behave(row.host, row.call);
    const auto [code, written] = Run(context, row);
    Behave(kUsual, row.call);
    EXPECT_EQ(TakeStdout(), row.printed ? Line(row.printed) : "");
    EXPECT_EQ(code, row.code);
    EXPECT_EQ(written, row.written ? std::optional<std::string>(row.written) : std::nullopt);
    EXPECT_EQ(Resolutions() - resolutionsBefore, row.resolutions);
    EXPECT_EQ(hostdouble::live, liveBefore) << "the module kept a host object";
    ExpectServicesAtRest();
    if (HasFailure()) return;  // later rows build on this one
  }
}

TEST_F(ResultTableTest, EveryCaseOfTheGoldenCorpusReadsBackAsItSays) {
  const std::vector<GoldenCase> cases = ReadGoldenCorpus(KEL_GRAMMAR_CORPUS);
  ASSERT_GE(cases.size(), 60u) << "a corpus cut short would pass with what remains";
  Context context{*this};
  for (const GoldenCase& goldenCase : cases) {
    SCOPED_TRACE(goldenCase.description);
    std::vector<const char*> argv;  // as a process receives it, a null pointer last
    for (const std::string& argument : goldenCase.argv) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    ASSERT_EQ(parser_->Parse(goldenCase.argc, argv.data()), 0);
    std::string options;
    for (const auto& [name, value] : goldenCase.options) {
      options += (options.empty() ? "" : ",") + name + (value.empty() ? "" : "=" + value);
    }
    std::string freeArguments;
    for (const std::string& argument : goldenCase.freeArguments) {
      freeArguments += (freeArguments.empty() ? "" : ",") + argument;
    }
    EXPECT_EQ(Run(context, {kGetParameters, nullptr, kOut, 0, nullptr, 0}).first, 0);
    EXPECT_EQ(Run(context, {kGetOptionsIterator, nullptr, kOut, 0, nullptr, 0}).first, 0);
    EXPECT_EQ(Run(context, {kWalk, nullptr, kOut, 0, nullptr, 0}).second, options);
    EXPECT_EQ(Run(context, {kGetFreeArguments, nullptr, kOut, 0, nullptr, 0}).second,
              "[" + freeArguments + "]");
    if (HasFailure()) return;  // the first case read back wrongly is the one to look at
  }
}

}  // namespace
}  // namespace kel::testing
