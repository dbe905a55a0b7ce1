// A host built as the platform's real hosts are: Microsoft's C++ ABI, no C runtime, kernel32
// and the C++ runtime's exception support only. It loads the built module from its own
// folder, calls every operation of every interface by position with counting host objects,
// and ends with every host object released. Checks that fail are named on standard error;
// standard output carries the module's own lines between this host's "== step" markers, and
// is compared byte for byte by the test that runs it.
#include "Freestanding.h"
#include "HostObjects.h"
#include "Interfaces.h"

using namespace host;

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const char* what) {
  if (ok) {
    ++passed;
    return;
  }
  ++failed;
  Write(kStderr, "FAIL: ");
  Write(kStderr, what);
  Write(kStderr, "\n");
}

void Step(const char* name) {
  Write(kStdout, "== ");
  Write(kStdout, name);
  Write(kStdout, "\r\n");
}

void WriteNumber(unsigned long long value) {
  char digits[24];
  int at = sizeof digits - 1;
  digits[at] = '\0';
  do {
    digits[--at] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  Write(kStderr, digits + at);
}

template <class T>
T* Sentinel() {
  static char marker;
  return reinterpret_cast<T*>(&marker);
}

void* Cookie(unsigned long long value) {
  return reinterpret_cast<void*>(value);
}

// One byte holding 0 or 1, as every bool the module writes must be; 0xAA before the call.
struct Flag {
  union {
    bool value;
    unsigned char byte;
  };
  Flag() : byte(0xAA) {}
  bool* Out() {
    byte = 0xAA;
    return &value;
  }
  bool Is(bool expected) const { return byte == (expected ? 1 : 0); }
  bool Untouched() const { return byte == 0xAA; }
};

template <class I>
I* Query(IObjectBase* object, ContractId id) {
  void* out = nullptr;
  return object->QueryInterface(id, &out) == 0 ? static_cast<I*>(out) : nullptr;
}

bool TextIs(IString* string, const char* text) {
  return string != nullptr && Equal(string->GetText(), text);
}

struct Module {
  void* handle = nullptr;
  IPlugin* plugin = nullptr;
  IParser* parser = nullptr;
  IImportsContainer* imports = nullptr;
};

Module Load(const wchar_t* file) {
  Module module;
  module.handle = LoadLibraryW(file);
  Check(module.handle != nullptr, "LoadLibraryW loads the module");
  if (module.handle == nullptr) return module;
  const auto getExport =
      reinterpret_cast<GetExportFunction>(GetProcAddress(module.handle, "GetExport"));
  Check(getExport != nullptr, "the module exports GetExport");
  IObjectBase* exported = nullptr;
  Check(getExport(contract::kPluginExport, &exported) == 0 && exported != nullptr,
        "GetExport hands out the plug-in");
  Check(exported->GetRefCount() == 2, "after load the plug-in holds the module's and ours");
  IObjectBase* miss = Sentinel<IObjectBase>();
  Check(getExport("com.velkora.zq.CCommandLineParametersParserPlugin/1.1", &miss) == -1 &&
            miss == nullptr,
        "GetExport with another version: -1 and null");
  Check(getExport(contract::kPluginExport, nullptr) == -1 && exported->GetRefCount() == 2,
        "GetExport with a null out: -1, no reference");
  module.plugin = static_cast<IPlugin*>(exported);
  module.parser = Query<IParser>(exported, contract::kParser);
  module.imports = Query<IImportsContainer>(exported, contract::kImportsContainer);
  Check(module.parser != nullptr && module.imports != nullptr,
        "the plug-in answers the parser and imports contracts");
  return module;
}

// Gives back this host's references and unloads; "PlugDLL deleted" follows.
void Unload(Module& module) {
  module.imports->Release();
  module.parser->Release();
  Check(module.plugin->Release() == 1, "only the module's reference is left at unload");
  Check(FreeLibrary(module.handle) != 0, "FreeLibrary unloads the module");
}

// The host's services, injected under the manifest's property names.
struct Services {
  StringFactory strings;
  CollectionFactory collections;
  PlainObject logger;
  ExportProxy stringsProxy{&strings};
  ExportProxy collectionsProxy{&collections};
  ExportProxy loggerProxy{&logger};

  void InjectInto(IImportsContainer* imports) {
    Check(imports->SetImport("Logger", &loggerProxy) == 0 &&
              imports->SetImport("StringFactory", &stringsProxy) == 0 &&
              imports->SetImport("CollectionFactory", &collectionsProxy) == 0,
          "SetImport returns 0");
    Check(stringsProxy.GetRefCount() == 1, "the import table holds one reference");
  }
};

void CheckPluginObject(Module& module) {
  IPlugin* plugin = module.plugin;
  // The module's reference, and this host's through each of the three interfaces.
  Check(plugin->AddRef() == 5 && plugin->Release() == 4, "AddRef and Release return the count");
  Check(!plugin->IsUnique() && plugin->GetRefCount() == 4, "IsUnique and GetRefCount");
  void* out = nullptr;
  Check(module.parser->GetInterface(contract::kObjectBase, &out) == 0 && out == plugin,
        "the root contract through the parser interface answers IPlugin");
  plugin->Release();
  out = Sentinel<void>();
  Check(plugin->QueryInterface("com.velkora.zq.PluginContract/1.0", &out) == -3 &&
            out == Sentinel<void>(),
        "a manifest contract is no interface: -3, out untouched");
  Check(plugin->QueryInterface(contract::kPlugin, nullptr) == -3 && plugin->GetRefCount() == 4,
        "a null out: -3, no reference");
  Check(plugin->GetThreadId() == GetCurrentThreadId(), "the owner is the loading thread");
  Check(module.imports->SetThreadId(7) == 0 && module.parser->GetThreadId() == 7,
        "one owner thread id behind every interface");
  Check(plugin->PluginHook(nullptr) == 0, "PluginHook returns 0");
  PlainObject unstored;
  Check(module.imports->SetImport(nullptr, &unstored) == -7 && unstored.GetRefCount() == 0,
        "SetImport with a null property: -7, nothing stored");
  Check(module.imports->Reserved1() == 0 && module.imports->Reserved2() == 0,
        "Reserved1 and Reserved2 return 0");
}

void CheckQueries(IParameters* parameters) {
  Flag flag;
  Check(parameters->HasOption("a", flag.Out()) == 0 && flag.Is(true), "HasOption a");
  Check(parameters->HasOption("A", flag.Out()) == 0 && flag.Is(false), "HasOption A");
  Check(parameters->HasOption(nullptr, flag.Out()) == -7 && flag.Untouched(),
        "HasOption with a null name");
  Check(parameters->HasOption("a", nullptr) == -7, "HasOption with a null out");
  Check(parameters->HasOptionValue("a", flag.Out()) == 0 && flag.Is(false), "a has no value");
  Check(parameters->HasOptionValue("b", flag.Out()) == 0 && flag.Is(true), "b has a value");
  Check(parameters->HasOptionValue("zz", flag.Out()) == -1 && flag.Untouched(),
        "HasOptionValue of an absent name");
  Check(parameters->HasOptionValue("b", nullptr) == -7, "HasOptionValue with a null out");

  IString* value = Sentinel<IString>();
  Check(parameters->GetOptionValue("a", &value) == -1 && value == Sentinel<IString>(),
        "GetOptionValue of an empty value: -1, untouched");
  Check(parameters->GetOptionValue("b", nullptr) == -7, "GetOptionValue with a null out");
  Check(parameters->GetOptionValue("b", &value) == 0 && TextIs(value, "1"), "GetOptionValue b");
  Check(value->GetRefCount() == 1, "the host holds the value's only reference");
  value->Release();

  ICollection* arguments = nullptr;
  Check(parameters->GetFreeArguments(&arguments) == 0 && arguments != nullptr, "GetFreeArguments");
  Check(arguments->GetCount() == 2 && TextIs(arguments->GetItem(0), "B") &&
            TextIs(arguments->GetItem(1), "free"),
        "free arguments once each, in byte order");
  Check(arguments->Release() == 0, "the host holds the collection's only reference");
  Check(parameters->GetFreeArguments(nullptr) == -4, "GetFreeArguments with a null out");
}

void CheckIterators(IParameters* parameters) {
  {
    ObjectPtr<IOptionsIterator> iterator = parameters->GetOptionsIterator();
    IOptionsIterator* walk = iterator.Get();
    Check(walk != nullptr && walk->GetRefCount() == 1, "GetOptionsIterator by value");
    if (walk == nullptr) return;
    Flag flag;
    IString* value = Sentinel<IString>();
    Check(Equal(walk->GetName(), "a") && walk->HasValue(flag.Out()) == 0 && flag.Is(false) &&
              walk->GetValue(&value) == -1 && value == Sentinel<IString>(),
          "first option a, no value");
    Check(walk->Next() == 0 && Equal(walk->GetName(), "b") && walk->HasValue(flag.Out()) == 0 &&
              flag.Is(true),
          "then b with a value");
    Check(walk->GetValue(&value) == 0 && TextIs(value, "1"), "the iterator's GetValue");
    value->Release();
    Check(walk->Next() == 0 && Equal(walk->GetName(), "c") && !walk->IsEnd(), "then c");
    Check(walk->Next() == 0 && walk->IsEnd() && walk->GetName() == nullptr, "then the end");
    Check(walk->Next() == -7 && walk->HasValue(flag.Out()) == -7 && walk->GetValue(&value) == -7 &&
              flag.Untouched(),
          "nothing to act on at the end");
  }
  IOptionsIterator* created = Sentinel<IOptionsIterator>();
  Check(parameters->CreateOptionsIterator(nullptr) == -4, "CreateOptionsIterator null out");
  Check(parameters->CreateOptionsIterator(&created) == 0 && Equal(created->GetName(), "a"),
        "CreateOptionsIterator");
  void* out = nullptr;
  Check(created->QueryInterface(contract::kObjectBase, &out) == 0 && out == created &&
            created->GetInterface(contract::kObject, &out) == -3,
        "the iterator answers the root contract only");
  Check(created->AddRef() == 3 && created->Release() == 2 && created->IsUnique() == false &&
            created->Release() == 1 && created->IsUnique(),
        "the iterator's count");
  Check(created->Release() == 0, "the last Release ends the iterator");
}

void CheckParametersObject(IParser* parser, IParameters* parameters) {
  void* out = nullptr;
  Check(parameters->QueryInterface(contract::kObject, &out) == 0 && out == parameters &&
            parameters->GetInterface(contract::kParameters, &out) == 0 && out == parameters,
        "the result answers its contracts with one pointer");
  parameters->Release();
  parameters->Release();
  Check(parameters->QueryInterface(contract::kPlugin, &out) == -3, "the result is no plug-in");
  Check(parameters->AddRef() == 3 && parameters->Release() == 2 && !parameters->IsUnique(),
        "the result's count: the plug-in's and ours");
  Check(parameters->SetThreadId(9) == 0 && parameters->GetThreadId() == 9, "SetThreadId");

  Observer observer;
  parameters->AddObserver(&observer, Cookie(5));
  parameters->AddObserver(&observer, Cookie(6));
  parameters->RemoveObserver(&observer);
  Check(observer.GetRefCount() == 0, "registrations hold no reference");
  const char* const empty[] = {"prog", nullptr};
  Check(parser->Parse(1, empty) == 0 && parameters->IsUnique(),
        "a new Parse gives back the plug-in's reference to the old result");
  Check(parameters->Release() == 0, "the host's last reference ends the result");
  const Notice& notice = observer.notices[0];
  Check(observer.count == 1 && notice.cookie == Cookie(6) && notice.sender != nullptr &&
            Equal(notice.contract, contract::kObject) && Equal(notice.event, "Destroyed") &&
            notice.eventData == nullptr,
        "the one registration left hears the result go");
}

// Each failure on the way to the string factory prints its line and gives a null string.
void CheckImportFailures(IImportsContainer* imports, IParameters* parameters) {
  PlainObject notAService;
  ExportProxy yieldsNothing(nullptr);
  ExportProxy yieldsWrongObject(&notAService);
  IObjectBase* const injected[] = {nullptr, &notAService, &yieldsNothing, &yieldsWrongObject};
  const char* const steps[] = {"no StringFactory", "null StringFactory", "not a proxy",
                               "proxy yields nothing", "object is no string factory"};
  Check(imports->ClearImports() == 0, "ClearImports returns 0");
  for (int i = 0; i < 5; ++i) {
    if (i > 0) imports->SetImport("StringFactory", injected[i - 1]);
    Step(steps[i]);
    IString* value = Sentinel<IString>();
    Check(parameters->GetOptionValue("b", &value) == 0 && value == nullptr,
          "an unusable string factory: 0 and null");
  }
  Step("no CollectionFactory");
  ICollection* arguments = Sentinel<ICollection>();
  Check(parameters->GetFreeArguments(&arguments) == -1 && arguments == Sentinel<ICollection>(),
        "no collection factory: -1, untouched");
  imports->ClearImports();
  Check(notAService.GetRefCount() == 0 && yieldsWrongObject.GetRefCount() == 0,
        "ClearImports gives every import back");
}

void RunShippedModule() {
  Step("load");
  Module module = Load(L"CommandLineParametersParser.kellib");
  if (module.handle == nullptr) return;
  CheckPluginObject(module);
  Observer pluginObserver;
  module.plugin->AddObserver(&pluginObserver, Cookie(1));
  module.parser->AddObserver(&pluginObserver, Cookie(2));
  module.imports->RemoveObserver(&pluginObserver);

  Services services;
  services.InjectInto(module.imports);
  IParameters* parameters = Sentinel<IParameters>();
  Check(module.parser->GetParameters(&parameters) == -7 && parameters == Sentinel<IParameters>(),
        "nothing to get before the first Parse");
  const char* const argv[] = {"prog", "--b=1", "--a", "-c", "free", "B", "free", "--", "-5"};
  Check(module.parser->Parse(9, argv) == 0, "Parse returns 0");
  Check(module.parser->GetParameters(nullptr) == -4, "GetParameters with a null out");
  Check(module.parser->GetParameters(&parameters) == 0 && parameters->GetRefCount() == 2,
        "GetParameters hands out the result");
  CheckQueries(parameters);
  CheckIterators(parameters);
  services.collections.failWith = -9;
  ICollection* arguments = Sentinel<ICollection>();
  Check(parameters->GetFreeArguments(&arguments) == -9 && arguments == Sentinel<ICollection>(),
        "CreateCollection's failure passed back");
  services.collections.failWith = 0;
  CheckImportFailures(module.imports, parameters);
  CheckParametersObject(module.parser, parameters);
  services.InjectInto(module.imports);

  Step("unload");
  Unload(module);
  Check(pluginObserver.count == 1 && pluginObserver.notices[0].cookie == Cookie(2),
        "the plug-in's remaining registration hears it go");
  Check(services.stringsProxy.GetRefCount() == 0 && services.loggerProxy.GetRefCount() == 0,
        "the plug-in gives its imports back when it goes");
}

using FailAllocationFunction = void (*)(long nth);

// Runs `operation` with the `nth` allocation failing; true when std::bad_alloc arrived. The
// three ways a host catches it take turns.
template <class Operation>
bool LeavesWithBadAlloc(FailAllocationFunction failAllocation, long nth, Operation operation) {
  bool caught = false;
  failAllocation(nth);
  switch (nth % 3) {
    case 0:
      try {
        operation();
      } catch (std::bad_alloc& exhausted) {
        caught = true;
        Check(Equal(exhausted.what(), "bad allocation"), "caught as std::bad_alloc");
        Check(typeid(exhausted) == typeid(std::bad_alloc) &&
                  Equal(typeid(exhausted).raw_name(), ".?AVbad_alloc@std@@"),
              "typeid of the caught std::bad_alloc");
      }
      break;
    case 1:
      try {
        operation();
      } catch (std::exception& exhausted) {
        caught = true;
        Check(Equal(exhausted.what(), "bad allocation"), "caught as std::exception");
        Check(dynamic_cast<std::bad_alloc*>(&exhausted) == &exhausted &&
                  Equal(typeid(exhausted).name(), "class std::bad_alloc"),
              "dynamic_cast and typeid from the caught std::exception");
      }
      break;
    default:
      try {
        operation();
      } catch (...) {
        caught = true;
      }
  }
  failAllocation(-1);
  return caught;
}

// Calls `operation` with its first, then its second, ... allocation failing until it
// completes; after each failure `unchanged` must hold and no reference on a host object
// may have been taken or given back. Returns how many failed.
template <class Operation, class Unchanged>
long FailEachAllocation(FailAllocationFunction failAllocation, const char* name,
                        Operation operation, Unchanged unchanged) {
  const long held = ledger.liveReferences;
  long failures = 0;
  while (failures < 10000 && LeavesWithBadAlloc(failAllocation, failures, operation)) {
    ++failures;
    Check(unchanged() && ledger.liveReferences == held, name);
  }
  Check(failures < 10000, "the operation completes once allocations stop failing");
  return failures;
}

void RunExhaustion() {
  Step("load with allocation failures");
  Module module = Load(L"CommandLineParametersParserFailing.kellib");
  if (module.handle == nullptr) return;
  const auto failAllocation =
      reinterpret_cast<FailAllocationFunction>(GetProcAddress(module.handle, "KelFailAllocation"));
  Check(failAllocation != nullptr, "the test build exports its allocation hook");
  if (failAllocation == nullptr) return;
  Services services;
  services.InjectInto(module.imports);
  const char* const first[] = {"prog", "--b=1", "--a", "free"};
  module.parser->Parse(4, first);
  IParameters* previous = nullptr;
  module.parser->GetParameters(&previous);

  const char* const argv[] = {
      "prog", "--long=value", "-s",   "free",     "again",   "-x=1",  "--flag", "x",
      "-yz",  "other",        "--q=", "--long=2", "--n=a=b", "third", "-k",     "fourth"};
  const auto parse = [&] { module.parser->Parse(16, argv); };
  const long parseFailures =
      FailEachAllocation(failAllocation, "Parse keeps the previous result", parse, [&] {
        IParameters* current = nullptr;
        Flag flag;
        module.parser->GetParameters(&current);
        const bool same = current == previous;
        current->Release();
        return same && previous->HasOption("long", flag.Out()) == 0 && flag.Is(false);
      });
  Check(parseFailures > 0, "Parse allocates, and each failure leaves as std::bad_alloc");
  WriteNumber(static_cast<unsigned long long>(parseFailures));
  Write(kStderr, " allocations of Parse failed in turn\n");
  previous->Release();
  module.parser->Parse(4, first);
  module.parser->GetParameters(&previous);

  Observer observer;
  IOptionsIterator* iterator = Sentinel<IOptionsIterator>();
  IString* value = Sentinel<IString>();
  ICollection* arguments = Sentinel<ICollection>();
  const auto nothing = [] { return true; };
  Check(FailEachAllocation(
            failAllocation, "AddObserver",
            [&] { module.plugin->AddObserver(&observer, Cookie(3)); }, nothing) > 0 &&
            FailEachAllocation(
                failAllocation, "SetImport",
                [&] { module.imports->SetImport("Other", &services.logger); }, nothing) > 0 &&
            FailEachAllocation(
                failAllocation, "CreateOptionsIterator",
                [&] { previous->CreateOptionsIterator(&iterator); },
                [&] { return iterator == Sentinel<IOptionsIterator>(); }) > 0 &&
            FailEachAllocation(
                failAllocation, "GetOptionsIterator", [&] { previous->GetOptionsIterator(); },
                nothing) > 0,
        "operations that allocate leave with std::bad_alloc and hand out nothing");
  iterator->Release();
  module.plugin->RemoveObserver(&observer);
  module.imports->ClearImports();  // the diagnostics of missing factories are built too
  FailEachAllocation(
      failAllocation, "GetOptionValue", [&] { previous->GetOptionValue("b", &value); },
      [&] { return value == Sentinel<IString>(); });
  FailEachAllocation(
      failAllocation, "GetFreeArguments", [&] { previous->GetFreeArguments(&arguments); },
      [&] { return arguments == Sentinel<ICollection>(); });
  {
    ObjectPtr<IOptionsIterator> walk = previous->GetOptionsIterator();
    walk->Next();  // on b, which has a value
    IString* iterated = Sentinel<IString>();
    FailEachAllocation(
        failAllocation, "the iterator's GetValue", [&] { walk->GetValue(&iterated); },
        [&] { return iterated == Sentinel<IString>(); });
  }
  previous->Release();
  services.InjectInto(module.imports);

  Step("unload");
  Unload(module);
}

}  // namespace

// What the compiler expects of a C runtime. The type_info table is named by the compiler's
// type descriptors and never used; nothing is ever deleted, since nothing is allocated.
extern "C" {
extern const void* const HostTypeInfoTable[2] = {nullptr, nullptr};
__type_info_node __type_info_root_node{};

void* memset(void* destination, int byte, Size count) {
  volatile unsigned char* bytes = static_cast<unsigned char*>(destination);
  while (count-- != 0) *bytes++ = static_cast<unsigned char>(byte);
  return destination;
}
void __std_terminate() {
  Write(kStderr, "terminate called\n");
  ExitProcess(3);
}
int _purecall() {
  __std_terminate();
  return 0;
}
}

void operator delete(void*) noexcept {}
void operator delete(void*, Size) noexcept {}

extern "C" void HostMain() {
  RunShippedModule();
  RunExhaustion();
  Check(ledger.liveReferences == 0 && ledger.extraReleases == 0,
        "every reference on a host object was given back, none twice");
  Write(kStderr, "msvc host: ");
  WriteNumber(static_cast<unsigned long long>(passed));
  Write(kStderr, " passed, ");
  WriteNumber(static_cast<unsigned long long>(failed));
  Write(kStderr, " failed\n");
  ExitProcess(failed == 0 ? 0 : 1);
}
