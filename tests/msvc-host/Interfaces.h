// Every interface of the binary interface as a host writes it down for Microsoft's C++
// compiler: operations in their documented order, nothing taken from the module's headers.
#pragma once

using ResultCode = int;
using RefCount = unsigned int;
using ThreadId = unsigned int;
using ContractId = const char*;

struct IObserver;

struct IObjectBase {
  virtual RefCount AddRef() = 0;
  virtual RefCount Release() = 0;
  virtual ResultCode GetInterface(ContractId id, void** out) = 0;
  virtual ResultCode QueryInterface(ContractId id, void** out) = 0;
  virtual bool IsUnique() = 0;
  virtual RefCount GetRefCount() = 0;
};

struct IObject : IObjectBase {
  virtual void AddObserver(IObserver* observer, void* cookie) = 0;
  virtual void RemoveObserver(IObserver* observer) = 0;
  virtual ThreadId GetThreadId() = 0;
  virtual ResultCode SetThreadId(ThreadId threadId) = 0;
};

// The owning handle: one pointer; a class with a destructor, so a function returning it by
// value hands it back through an address the caller supplies.
template <class T>
class ObjectPtr {
 public:
  ObjectPtr() = default;
  ObjectPtr(const ObjectPtr&) = delete;
  ObjectPtr& operator=(const ObjectPtr&) = delete;
  ~ObjectPtr() { Reset(); }
  void Reset() {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = nullptr;
  }
  T* operator->() const { return pointer_; }
  T* Get() const { return pointer_; }

 private:
  T* pointer_ = nullptr;
};

// The host's services, as the module calls them.
struct IString : IObject {
  virtual const char* GetText() = 0;
};
struct ICollection : IObject {
  virtual unsigned GetCount() = 0;
  virtual IString* GetItem(unsigned index) = 0;
  virtual ResultCode Add(IString* item) = 0;
};
struct IStringFactory : IObject {
  virtual ResultCode CreateString(const char* text, IString** string) = 0;
};
struct ICollectionFactory : IObject {
  virtual ResultCode CreateCollection(ICollection** collection) = 0;
};
struct IExportProxy : IObject {
  virtual ResultCode GetExportedObject(IObjectBase** object) = 0;
};
struct IObserver : IObject {
  virtual ResultCode Notify(const void* sender, ContractId contract, const char* event,
                            void* eventData, void* cookie) = 0;
};

// The module's interfaces.
struct IPlugin : IObject {
  virtual ResultCode PluginHook(void* context) = 0;
};
struct IOptionsIterator : IObjectBase {
  virtual ResultCode Next() = 0;
  virtual bool IsEnd() = 0;
  virtual const char* GetName() = 0;
  virtual ResultCode HasValue(bool* hasValue) = 0;
  virtual ResultCode GetValue(IString** value) = 0;
};
struct IParameters : IObject {
  virtual ResultCode GetFreeArguments(ICollection** arguments) = 0;
  virtual ResultCode HasOption(const char* name, bool* present) = 0;
  virtual ResultCode HasOptionValue(const char* name, bool* hasValue) = 0;
  virtual ResultCode GetOptionValue(const char* name, IString** value) = 0;
  virtual ObjectPtr<IOptionsIterator> GetOptionsIterator() = 0;
  virtual ResultCode CreateOptionsIterator(IOptionsIterator** iterator) = 0;
};
struct IParser : IObject {
  virtual ResultCode Parse(int argc, const char* const* argv) = 0;
  virtual ResultCode GetParameters(IParameters** out) = 0;
};
struct IImportsContainer : IObject {
  virtual ResultCode SetImport(const char* property, IObjectBase* object) = 0;
  virtual ResultCode Reserved1() = 0;
  virtual ResultCode Reserved2() = 0;
  virtual ResultCode ClearImports() = 0;
};

using GetExportFunction = ResultCode (*)(ContractId id, IObjectBase** out);

namespace contract {
constexpr ContractId kObjectBase = "com.velkora.general.kel.IObjectBase/1.0";
constexpr ContractId kObject = "com.velkora.general.kel.IObject/1.0";
constexpr ContractId kImportsContainer = "com.velkora.general.kel.IImportsContainer/1.0";
constexpr ContractId kExportProxy = "com.velkora.general.kel.IExportProxy/1.0";
constexpr ContractId kStringFactory = "com.velkora.general.kel.IStringFactory/1.0";
constexpr ContractId kCollectionFactory = "com.velkora.general.kel.ICollectionFactory/1.0";
constexpr ContractId kPlugin = "com.velkora.zq.client.IPlugin/1.0";
constexpr ContractId kParser = "com.velkora.zq.ICommandLineParametersParser/1.0";
constexpr ContractId kParameters = "com.velkora.zq.ICommandLineParameters/1.0";
constexpr ContractId kPluginExport = "com.velkora.zq.CCommandLineParametersParserPlugin/1.0";
}  // namespace contract
